#include "platform/linux/DesktopEntryIndex.h"
#include "tests/fakes/TestTree.h"

#include <QTest>

using namespace tavlin;

namespace {

// A tree entry for an application's file; ';' separates its keys.
QByteArray app(QByteArray keys)
{
    return "F:[Desktop Entry]\nType=Application\n" + keys.replace(';', '\n') + '\n';
}

} // namespace

class TestDesktopEntryIndex : public QObject
{
    Q_OBJECT

    QList<std::pair<const char*, std::optional<QByteArray>>> m_saved;

    void setEnvironment(const char* name, const std::optional<QByteArray>& value)
    {
        m_saved.append({name, TestTree::setEnvironment(name, value)});
    }

private Q_SLOTS:
    void cleanup()
    {
        while (!m_saved.isEmpty()) {
            const auto [name, value] = m_saved.takeLast();
            TestTree::setEnvironment(name, value);
        }
    }

    void applicationDirs_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("dataHome");
        QTest::addColumn<std::optional<QByteArray>>("dataDirs");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("unset: the defaults")
            << std::optional<QByteArray>() << std::optional<QByteArray>()
            << QStringList{QStringLiteral("/h/.local/share/applications"),
                           QStringLiteral("/usr/local/share/applications"),
                           QStringLiteral("/usr/share/applications")};
        QTest::newRow("set: home first, then in order")
            << std::optional<QByteArray>("/d") << std::optional<QByteArray>("/a:/b/")
            << QStringList{QStringLiteral("/d/applications"), QStringLiteral("/a/applications"),
                           QStringLiteral("/b/applications")};
        QTest::newRow("relative and empty parts ignored")
            << std::optional<QByteArray>("rel") << std::optional<QByteArray>(":rel:/opt")
            << QStringList{QStringLiteral("/h/.local/share/applications"),
                           QStringLiteral("/opt/applications")};
    }

    void applicationDirs()
    {
        QFETCH(std::optional<QByteArray>, dataHome);
        QFETCH(std::optional<QByteArray>, dataDirs);
        QFETCH(QStringList, expected);
        setEnvironment("HOME", QByteArray("/h"));
        setEnvironment("XDG_DATA_HOME", dataHome);
        setEnvironment("XDG_DATA_DIRS", dataDirs);
        QCOMPARE(DesktopEntryIndex::applicationDirs(), expected);
    }

    void appFor_data()
    {
        QTest::addColumn<QByteArray>("files"); // below home/applications and shared/applications
        QTest::addColumn<QStringList>("hints");
        QTest::addColumn<QString>("instance");
        QTest::addColumn<QString>("windowClass");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected"); // identifier: name

        const auto row = [](const char* name, const QByteArray& files, const QStringList& hints,
                            const char* instance, const char* windowClass, const char* expected,
                            const char* locale = "C") {
            QTest::newRow(name) << files << hints << QString::fromUtf8(instance)
                                << QString::fromUtf8(windowClass) << QString::fromUtf8(locale)
                                << QString::fromUtf8(expected);
        };
        const QByteArray hinted = "home/applications/org.example.Hinted.desktop=";
        const QByteArray other =
            "shared/applications/other.desktop=" + app("Name=Other;StartupWMClass=Tool");
        const QByteArray shared = "shared/applications/tool.desktop=";
        const QByteArray files = "shared/applications/files.desktop=" +
                                 app("Name=Files;Name[de]=Dateien;Name[de_AT]=Dateien (AT)");

        row("hint wins over StartupWMClass", hinted + app("Name=Hinted") + '|' + other,
            {QStringLiteral("org.example.Hinted")}, "", "Tool", "org.example.Hinted: Hinted");
        row("hint with suffix names an entry not shown",
            hinted + app("Name=Hinted;NoDisplay=true") + '|' + other,
            {QString(), QStringLiteral("org.example.Hinted.desktop")}, "", "Tool",
            "org.example.Hinted: Hinted");
        row("unknown hint falls through", other, {QStringLiteral("org.example.Gone")}, "", "Tool",
            "other: Other");
        row("StartupWMClass before the id guess", shared + app("Name=Guess") + '|' + other, {}, "",
            "Tool", "other: Other");
        row("StartupWMClass names the instance",
            "shared/applications/ed.desktop=" + app("Name=Editor;StartupWMClass=ed-main"), {},
            "ed-main", "Ed", "ed: Editor");
        row("id guess ignores case", "shared/applications/firefox.desktop=" + app("Name=Firefox"),
            {}, "Navigator", "FireFox", "firefox: Firefox");
        row("id guess skips an entry not shown",
            "shared/applications/firefox.desktop=" + app("Name=Firefox;NoDisplay=true"), {}, "",
            "Firefox", "Firefox: Firefox");
        row("nested folder joins with a dash",
            "shared/applications/kde/konsole.desktop=" + app("Name=Konsole"),
            {QStringLiteral("kde-konsole")}, "", "", "kde-konsole: Konsole");
        row("the user's file hides the shared one",
            "home/applications/tool.desktop=" + app("Name=Mine") + '|' + shared +
                app("Name=Theirs"),
            {}, "", "Tool", "tool: Mine");
        row("localised name", files, {}, "", "files", "files: Dateien", "de_DE.UTF-8");
        row("country before language", files, {}, "", "files", "files: Dateien (AT)",
            "de_AT.UTF-8");
        row("escaped name", shared + app("Name=A\\sB"), {}, "", "Tool", "tool: A B");
        row("missing Name falls back to class", shared + app("Comment=nameless"), {}, "", "Tool",
            "tool: Tool");
        row("malformed files are skipped",
            "shared/applications/tool.desktop=F:\x01\xff\xfe[garbage\n=\n|"
            "shared/applications/keys.desktop=F:Name=X\n[Desktop Entry]\nType=Application\n|"
            "shared/applications/link.desktop=F:[Desktop Entry]\nType=Link\n",
            {QStringLiteral("link")}, "keys", "Tool", "Tool: Tool");
    }

    void appFor()
    {
        QFETCH(QByteArray, files);
        QFETCH(QStringList, hints);
        QFETCH(QString, instance);
        QFETCH(QString, windowClass);
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        TestTree::Scratch scratch;
        QVERIFY(TestTree::build(scratch.root, TestTree::tree(files)));
        setEnvironment("XDG_DATA_HOME", scratch.at("home"));
        setEnvironment("XDG_DATA_DIRS", scratch.at("shared"));

        const RunningApp found = DesktopEntryIndex(locale).appFor(hints, instance, windowClass);
        QCOMPARE(found.identifier + QStringLiteral(": ") + found.name, expected);
    }
};

QTEST_MAIN(TestDesktopEntryIndex)

#include "tst_desktopentryindex.moc"
