#include "app/AppServices.h"
#include "menu/HotKeyChords.h"
#include "menu/MenuView.h"
#include "tests/fakes/FakeFolderChooser.h"
#include "tests/fakes/FakeReveal.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

using namespace tavlin;

namespace {

// Which applications run, as the test says: offscreen there is no window list to ask.
class ListedApps : public RunningApps
{
public:
    QList<RunningApp> apps() const override { return m_apps; }
    std::optional<qint32> frontmostPid() const override { return std::nullopt; }
    void set(const QList<RunningApp>& apps)
    {
        m_apps = apps;
        Q_EMIT changed();
    }

private:
    QList<RunningApp> m_apps;
};

// The real program's model and menu in a private home: settings, autostart entry, pictures and
// Desktop all live below it. Only the folder dialog and the file manager are stand-ins.
struct Fixture
{
    // Before the model is made, which keeps the dialog and the file manager it was given.
    AppServices servicesInHome()
    {
        const QString path = home.path();
        qputenv("HOME", QFile::encodeName(path));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path + QStringLiteral("/config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(path + QStringLiteral("/data")));
        QDir(path).mkpath(QStringLiteral("Desktop"));
        QDir(path).mkpath(QStringLiteral("data/tavlin/backdrops"));
        QFile::copy(QStringLiteral(TAVLIN_RESOURCES "/") + installedPicture,
                    path + QStringLiteral("/data/tavlin/backdrops/") + installedPicture);
        chooser->answer = QFile::encodeName(desktop());

        AppServices made = AppServices::make();
        made.folderChooser.reset(chooser);
        made.reveal.reset(reveal);
        made.window.runningApps.reset(runningApps);
        return made;
    }

    QString desktop() const { return home.filePath(QStringLiteral("Desktop")); }
    QJsonObject settingsFile() const
    {
        QFile file(home.filePath(QStringLiteral("config/tavlin/settings.json")));
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                              : QJsonObject();
    }

    // The one built-in picture this home has.
    const QString installedPicture = QStringLiteral("bg-country-road.jpeg");
    QTemporaryDir home;
    FakeFolderChooser* chooser = new FakeFolderChooser; // owned by `services`
    FakeReveal* reveal = new FakeReveal;                // owned by `services`
    ListedApps* runningApps = new ListedApps;           // owned by `services`
    AppServices services = servicesInHome();
    AppModel model{services};
    MenuView view{model};
};

// Visible items top to bottom: "---" a separator, "[Title]" a section.
QStringList titles(const QMenu* menu)
{
    QStringList shown;
    for (const QAction* action : menu->actions()) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator())
            shown.append(action->text().isEmpty() ? QStringLiteral("---")
                                                  : u'[' + action->text() + u']');
        else
            shown.append(action->text());
    }
    return shown;
}

// The item at "Submenu/Title".
QAction* item(const QMenu* menu, const QString& path)
{
    QAction* found = nullptr;
    for (const QString& title : path.split(u'/')) {
        found = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text() == title)
                found = action;
        }
        if (!found)
            return nullptr;
        menu = found->menu();
    }
    return found;
}

QAction* checkedOption(const QMenu* submenu)
{
    for (QAction* action : submenu->actions()) {
        if (action->isChecked())
            return action;
    }
    return nullptr;
}

} // namespace

class TestMenuView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void topLevelItems()
    {
        Fixture f;
        const QMenu* menu = f.view.menu();
        QCOMPARE(titles(menu).join(u'|'),
                 QStringLiteral("[Recording]|Hide Desktop Icons|Spotlight Mode|Spotlight Apps|"
                                "Background|[Tidy]|Tidy Desktop\u2026|Undo Tidy|"
                                "File Items Older Than|Auto-Tidy Daily|"
                                "Show Archive in File Manager|---|Launch at Login|Quit Tavlin"));
        QVERIFY(item(menu, QStringLiteral("Tidy Desktop\u2026"))->isEnabled());
        QVERIFY(!item(menu, QStringLiteral("Undo Tidy"))->isEnabled());

        const QList<std::pair<QString, QKeySequence>> keys{
            {QStringLiteral("Hide Desktop Icons"), HotKeyChords::shortcut(HotKeyChords::cover)},
            {QStringLiteral("Spotlight Mode"), HotKeyChords::shortcut(HotKeyChords::spotlight)},
            {QStringLiteral("Quit Tavlin"), QKeySequence(QStringLiteral("Ctrl+Q"))}};
        for (const auto& [title, shortcut] : keys) {
            QCOMPARE(item(menu, title)->shortcut(), shortcut);
            QVERIFY(item(menu, title)->isShortcutVisibleInContextMenu());
        }
    }

    void spotlightAppsWithoutApps()
    {
        Fixture f;
        const QMenu* apps = item(f.view.menu(), QStringLiteral("Spotlight Apps"))->menu();
        QCOMPARE(titles(apps).join(u'|'),
                 QStringLiteral("None picked: uses the frontmost app|---|---|"
                                "Also Cover Menu Bar|Remind Me About Do Not Disturb"));
        QVERIFY(!apps->actions().first()->isEnabled());

        f.model.spotlight().setPinnedApps({QStringLiteral("org.example.NotRunning")});
        QCOMPARE(apps->actions().first()->text(), QStringLiteral("Shown in Spotlight Mode"));
    }

    void appRows()
    {
        Fixture f;
        const QString editor = QStringLiteral("org.example.Editor");
        f.runningApps->set({{editor, QStringLiteral("Editor"), 11},
                            {editor, QStringLiteral("Editor"), 12},
                            {QString(), QString(), 13}});
        QMenu* apps = item(f.view.menu(), QStringLiteral("Spotlight Apps"))->menu();
        QCOMPARE(titles(apps).mid(2, 3).join(u'|'), QStringLiteral("Unknown|Editor|Editor"));

        // Two instances of one application are pinned together.
        apps->actions().at(3)->trigger();
        QCOMPARE(f.model.spotlight().pinnedApps(), QSet<QString>{editor});
        QVERIFY(apps->actions().at(3)->isChecked() && apps->actions().at(4)->isChecked());
        QCOMPARE(apps->actions().first()->text(), QStringLiteral("Shown in Spotlight Mode"));

        // Without an identifier there is nothing to pin, and the row says so.
        apps->actions().at(2)->trigger();
        QVERIFY(!apps->actions().at(2)->isChecked());
        QCOMPARE(f.model.spotlight().pinnedApps(), QSet<QString>{editor});

        f.runningApps->set({});
        QCOMPARE(titles(apps).size(), 5);
    }

    void background()
    {
        Fixture f;
        QMenu* submenu = item(f.view.menu(), QStringLiteral("Background"))->menu();
        QCOMPARE(submenu->actions().size(), 2 + 1 + 24);
        QVERIFY(submenu->actions().at(2)->isSeparator());
        QCOMPARE(checkedOption(submenu)->text(), QStringLiteral("Match Wallpaper"));

        QAction* country = submenu->actions().at(3);
        QCOMPARE(qvariant_cast<Backdrop>(country->data()), Backdrop::image(f.installedPicture));
        QVERIFY(country->icon().isNull()); // decoded only once someone looks
        Q_EMIT submenu->aboutToShow();
        QCOMPARE(country->icon().actualSize(QSize(32, 32)), QSize(32, 18)); // even at 16:10

        item(submenu, QStringLiteral("Soft Gradient"))->trigger();
        QCOMPARE(f.settingsFile().value(QStringLiteral("backdrop")).toString(),
                 QStringLiteral("gradient"));
        QCOMPARE(checkedOption(submenu)->text(), QStringLiteral("Soft Gradient"));
    }

    void tidyItemsFollowTheTidy()
    {
        Fixture f;
        QMenu* menu = f.view.menu();
        QAction* tidy = item(menu, QStringLiteral("Tidy Desktop\u2026"));
        QVERIFY(f.model.tidy().status().isNull());

        // The first tidy asks for the folder, then counts what is left: nothing.
        tidy->trigger();
        QVERIFY(QTest::qWaitFor([&] { return !f.model.tidy().busy(); }, 10000));
        QCOMPARE(f.chooser->requests.size(), 1);
        QCOMPARE(tidy->text(), QStringLiteral("Nothing to Tidy"));
        QVERIFY(!tidy->isEnabled());
        QVERIFY(!f.model.tidy().status().isEmpty());
        QCOMPARE(titles(menu).at(11), f.model.tidy().status());
        QCOMPARE(titles(menu).at(12), QStringLiteral("---"));

        item(menu, QStringLiteral("Show Archive in File Manager"))->trigger();
        QCOMPARE(f.reveal->revealed, QByteArrayList{QFile::encodeName(f.desktop())});
    }
};

QTEST_MAIN(TestMenuView)
#include "tst_menuview.moc"
