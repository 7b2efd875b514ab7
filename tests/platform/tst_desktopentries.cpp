// Desktop entries: the autostart entry that launches the program at login, and the installed
// applications' entries that name the running ones.
#include "platform/linux/AutostartLoginItem.h"
#include "platform/linux/DesktopEntryIndex.h"
#include "tests/fakes/TestTree.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace tavlin;
using namespace tavlin::TestTree;

namespace {

const QByteArray foreign = "# written by hand\n"
                           "[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name[de]=Tavlin\n"
                           "Exec=env QT_SCALE_FACTOR=2 tavlin\n"
                           "\n"
                           "[Desktop Action hide]\n"
                           "Hidden=true\n";

// A tree entry for an application's file; ';' separates its keys.
QByteArray app(QByteArray keys)
{
    return "F:[Desktop Entry]\nType=Application\n" + keys.replace(';', '\n') + '\n';
}

} // namespace

class TestDesktopEntries : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_scratch = std::make_unique<Scratch>();
        QVERIFY(m_scratch->isValid());
        m_config = QFile::decodeName(m_scratch->at("config"));
        m_entry = m_scratch->at("config/autostart/tavlin.desktop");
    }

    // The entry must start the program through a real desktop-entry launcher, whatever
    // characters its path holds.
    void startsProgram()
    {
        const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
        QVERIFY2(!gio.isEmpty(), "gio (libglib2.0-bin) launches the entry");
        const QString program = QFile::decodeName(m_scratch->root) +
                                QStringLiteral("/it's \"$HOME\" `x` two\\\\back\\slashes "
                                               "a;b&c|d(e)*?#~<>=/tavlin");
        const QByteArray marker = m_scratch->at("started");
        QVERIFY(QDir().mkpath(QFileInfo(program).path()));
        QVERIFY(writeFile(QFile::encodeName(program),
                          "#!/bin/sh\nprintf '%s' \"$0\" > '" + marker + "'\n"));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));

        AutostartLoginItem item(m_config, program);
        QVERIFY(item.setEnabled(true));
        QVERIFY(item.isEnabled());
        QCOMPARE(QProcess::execute(gio, {QStringLiteral("launch"), QFile::decodeName(m_entry)}), 0);
        QTRY_COMPARE(QFile::decodeName(readFile(marker)), program);

        QVERIFY(item.setEnabled(false));
        QVERIFY(!exists(m_entry));
        QVERIFY(!item.isEnabled());
    }

    // An entry we did not write is switched by Hidden alone, everything else kept.
    void foreignEntryKept_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("enable"); // it reads as the opposite before
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("Hidden only in another group, switched off")
            << foreign << false
            << QByteArray(foreign).replace("[Desktop Entry]\n", "[Desktop Entry]\nHidden=true\n");
        QTest::newRow("hidden, with spaces, switched on")
            << QByteArray("[Desktop Entry]\nHidden = true\nExec=tavlin\n") << true
            << QByteArray("[Desktop Entry]\nHidden=false\nExec=tavlin\n");
        QTest::newRow("off for GNOME, switched on")
            << QByteArray("[Desktop Entry]\nExec=x\nX-GNOME-Autostart-enabled=false\n") << true
            << QByteArray(
                   "[Desktop Entry]\nHidden=false\nExec=x\nX-GNOME-Autostart-enabled=true\n");
    }

    void foreignEntryKept()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, enable);
        QFETCH(QByteArray, expected);
        QVERIFY(build(m_scratch->root, tree("config/autostart/tavlin.desktop=F:" + contents)));
        AutostartLoginItem item(m_config, QStringLiteral("/usr/bin/tavlin"));
        QCOMPARE(item.isEnabled(), !enable);
        QVERIFY(item.setEnabled(enable));
        QCOMPARE(item.isEnabled(), enable);
        QCOMPARE(readFile(m_entry), expected);
    }

    // Refused, the entry and the state it reads as stay as they were.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("tree");
        QTest::addColumn<bool>("enable"); // reads as the opposite, before and after
        QTest::addColumn<QString>("program");

        const QString program = QStringLiteral("/usr/bin/tavlin");
        QTest::newRow("read-only autostart folder")
            << QByteArray("config/autostart") << true << program;
        QTest::newRow("folder in the entry's place")
            << QByteArray("config/autostart/tavlin.desktop/keep=F:x") << true << program;
        QTest::newRow("not a desktop entry")
            << QByteArray("config/autostart/tavlin.desktop=F:Exec=tavlin\n") << true << program;
        // Writing through the link would change the file it points to.
        QTest::newRow("entry links elsewhere")
            << QByteArray("apps/tavlin.desktop=F:[Desktop Entry]\nExec=tavlin\n|"
                          "config/autostart/tavlin.desktop=L:../../apps/tavlin.desktop")
            << false << program;
        QTest::newRow("percent in the program's path")
            << QByteArray("config") << true << QStringLiteral("/opt/100%/tavlin");
    }

    void refused()
    {
        QFETCH(QByteArray, tree);
        QFETCH(bool, enable);
        QFETCH(QString, program);
        QVERIFY(build(m_scratch->root, TestTree::tree(tree)));
        const QString folder = QFile::decodeName(m_scratch->at("config/autostart"));
        if (tree == "config/autostart") { // the read-only row
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            if (QFileInfo(folder).isWritable())
                QSKIP("this user may write into read-only folders");
        }
        const Snapshot before = snapshot(m_scratch->root);
        AutostartLoginItem item(m_config, program);
        QCOMPARE(item.isEnabled(), !enable);
        QVERIFY(!item.setEnabled(enable));
        QCOMPARE(item.isEnabled(), !enable);
        QCOMPARE(snapshot(m_scratch->root), before);
    }

    // Unset or relative, the XDG defaults.
    void applicationDirs()
    {
        setEnvironment("XDG_DATA_HOME", QByteArray("rel"));
        setEnvironment("XDG_DATA_DIRS", QByteArray(":rel:"));
        QCOMPARE(DesktopEntryIndex::applicationDirs(),
                 (QStringList{QDir::homePath() + QStringLiteral("/.local/share/applications"),
                              QStringLiteral("/usr/local/share/applications"),
                              QStringLiteral("/usr/share/applications")}));
    }

    // Which installed application a window belongs to, and its name in the user's language.
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
        row("StartupWMClass before the id guess", shared + app("Name=Guess") + '|' + other, {}, "",
            "Tool", "other: Other");
        row("StartupWMClass names the instance",
            "shared/applications/ed.desktop=" + app("Name=Editor;StartupWMClass=ed-main"), {},
            "ed-main", "Ed", "ed: Editor");
        row("id guess ignores case", "shared/applications/firefox.desktop=" + app("Name=Firefox"),
            {}, "Navigator", "FireFox", "firefox: Firefox");
        row("nested folder joins with a dash",
            "shared/applications/kde/konsole.desktop=" + app("Name=Konsole"),
            {QStringLiteral("kde-konsole")}, "", "", "kde-konsole: Konsole");
        row("the user's file hides the shared one",
            "home/applications/tool.desktop=" + app("Name=Mine") + '|' + shared +
                app("Name=Theirs"),
            {QStringLiteral("tool")}, "", "Tool", "tool: Mine");
        row("country before language", files, {}, "", "files", "files: Dateien (AT)",
            "de_AT.UTF-8");
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
        QVERIFY(build(m_scratch->root, tree(files)));
        setEnvironment("XDG_DATA_HOME", m_scratch->at("home"));
        setEnvironment("XDG_DATA_DIRS", m_scratch->at("shared"));

        const RunningApp found = DesktopEntryIndex(locale).appFor(hints, instance, windowClass);
        QCOMPARE(found.identifier + QStringLiteral(": ") + found.name, expected);
    }

private:
    std::unique_ptr<Scratch> m_scratch;
    QString m_config;
    QByteArray m_entry;
};

QTEST_GUILESS_MAIN(TestDesktopEntries)
#include "tst_desktopentries.moc"
