#include "platform/PlatformFactory.h"
#include "platform/linux/AutostartLoginItem.h"
#include "platform/linux/DesktopEntryText.h"
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

bool writeWithFolders(const QByteArray& path, const QByteArray& contents)
{
    return QDir().mkpath(QFileInfo(QFile::decodeName(path)).path()) && writeFile(path, contents);
}

} // namespace

class TestLoginItem : public QObject
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
    void startsProgram_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("plain") << QStringLiteral("bin");
        QTest::newRow("space") << QStringLiteral("my programs");
        QTest::newRow("quotes and dollar") << QStringLiteral("it's \"$HOME\" `x`");
        QTest::newRow("backslashes") << QStringLiteral("two\\\\back\\slashes");
        QTest::newRow("shell characters") << QStringLiteral("a;b&c|d(e)*?#~<>=");
    }

    void startsProgram()
    {
        QFETCH(QString, folder);
        const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
        QVERIFY2(!gio.isEmpty(), "gio (libglib2.0-bin) launches the entry");
        const QString program = QFile::decodeName(m_scratch->root) + QLatin1Char('/') + folder +
                                QStringLiteral("/tavlin");
        const QByteArray marker = m_scratch->at("started");
        QVERIFY(writeWithFolders(QFile::encodeName(program),
                                 "#!/bin/sh\nprintf '%s' \"$0\" > '" + marker + "'\n"));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));

        AutostartLoginItem item(m_config, program);
        QVERIFY(item.setEnabled(true));
        QVERIFY(item.isEnabled());
        const QByteArray entry = readFile(m_entry);
        QCOMPARE(DesktopEntryText::value(entry, "Type"), "Application");
        QCOMPARE(DesktopEntryText::value(entry, "Name"), "Tavlin");
        QCOMPARE(DesktopEntryText::value(entry, "Icon"), "tavlin");
        QCOMPARE(DesktopEntryText::boolean(entry, "X-GNOME-Autostart-enabled"), true);

        QCOMPARE(QProcess::execute(gio, {QStringLiteral("launch"), QFile::decodeName(m_entry)}), 0);
        QTRY_COMPARE(QFile::decodeName(readFile(marker)), program);

        QVERIFY(item.setEnabled(false));
        QVERIFY(!exists(m_entry));
        QVERIFY(!item.isEnabled());
    }

    void readsState_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("enabled");

        const QByteArray head = "[Desktop Entry]\nExec=tavlin\n";
        QTest::newRow("someone else's entry") << head << true;
        QTest::newRow("hidden") << head + "Hidden=true\n" << false;
        QTest::newRow("hidden, spaced") << head + "Hidden = true\n" << false;
        QTest::newRow("hidden=false") << head + "Hidden=false\n" << true;
        QTest::newRow("hidden in another group") << foreign << true;
        QTest::newRow("switched off for GNOME")
            << head + "X-GNOME-Autostart-enabled=false" << false;
        QTest::newRow("not a desktop entry") << QByteArray("Exec=tavlin\n") << false;
    }

    void readsState()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, enabled);
        QVERIFY(writeWithFolders(m_entry, contents));
        QCOMPARE(AutostartLoginItem(m_config, QStringLiteral("/usr/bin/tavlin")).isEnabled(),
                 enabled);
    }

    // An entry we did not write is switched by Hidden alone, everything else kept.
    void foreignEntryKept_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("enable");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("switched off")
            << foreign << false
            << QByteArray(foreign).replace("[Desktop Entry]\n", "[Desktop Entry]\nHidden=true\n");
        const QByteArray hidden = "[Desktop Entry]\nHidden=true\nExec=tavlin\n";
        QTest::newRow("hidden, switched on")
            << hidden << true << QByteArray("[Desktop Entry]\nHidden=false\nExec=tavlin\n");
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
        QVERIFY(writeWithFolders(m_entry, contents));
        AutostartLoginItem item(m_config, QStringLiteral("/usr/bin/tavlin"));
        QVERIFY(item.setEnabled(enable));
        QCOMPARE(item.isEnabled(), enable);
        QCOMPARE(readFile(m_entry), expected);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("tree");
        QTest::addColumn<bool>("enable");
        QTest::addColumn<QString>("program");

        const QString program = QStringLiteral("/usr/bin/tavlin");
        QTest::newRow("read-only autostart folder")
            << QByteArray("config/autostart") << true << program;
        QTest::newRow("autostart is a file")
            << QByteArray("config/autostart=F:x") << true << program;
        QTest::newRow("folder in the entry's place")
            << QByteArray("config/autostart/tavlin.desktop/keep=F:x") << true << program;
        QTest::newRow("not a desktop entry")
            << QByteArray("config/autostart/tavlin.desktop=F:notes") << true << program;
        // Writing through the link would change the file it points to.
        QTest::newRow("entry links elsewhere")
            << QByteArray("apps/tavlin.desktop=F:[Desktop Entry]\nExec=tavlin\n|"
                          "config/autostart/tavlin.desktop=L:../../apps/tavlin.desktop")
            << false << program;
        QTest::newRow("percent in the program's path")
            << QByteArray("config") << true << QStringLiteral("/opt/100%/tavlin");
        QTest::newRow("relative program path")
            << QByteArray("config") << true << QStringLiteral("tavlin");
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
        const bool wasEnabled = item.isEnabled();
        QVERIFY(!item.setEnabled(enable));
        QCOMPARE(item.isEnabled(), wasEnabled);
        QCOMPARE(snapshot(m_scratch->root), before);
    }

private:
    std::unique_ptr<Scratch> m_scratch;
    QString m_config;
    QByteArray m_entry;
};

QTEST_GUILESS_MAIN(TestLoginItem)
#include "tst_loginitem.moc"
