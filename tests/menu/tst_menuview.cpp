#include "app/AppServices.h"
#include "menu/HotKeyChords.h"
#include "menu/MenuView.h"
#include "platform/HotKeyGrabber.h"
#include "platform/NotificationServices.h"
#include "tests/fakes/FakeFolderChooser.h"
#include "tests/fakes/FakeOverlaySurfaces.h"
#include "tests/fakes/FakeReveal.h"
#include "tests/fakes/FakeWindowList.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

using namespace tavlin;

namespace {

// Grants every chord but the ones listed as taken by another program; with `answersLater`,
// every grab waits for the test to emit `answered`.
class FakeHotKeyGrabber final : public HotKeyGrabber
{
    Q_OBJECT
public:
    QList<KeyChord> taken;
    bool answersLater = false;

    Grant grab(quint32, const KeyChord& chord, const QString&) override
    {
        if (answersLater)
            return Grant::Pending;
        return taken.contains(chord) ? Grant::Refused : Grant::Granted;
    }
};

// A notification service as the test says: none, with `reason`, or one whose switch only
// remembers what was written.
class FakeNotificationServices final : public NotificationServices
{
public:
    QString reason;
    DndState state = DndState::Off;

    std::unique_ptr<DoNotDisturb> current(QString* why = nullptr) override
    {
        if (why)
            *why = reason;
        return reason.isEmpty() ? named(QStringLiteral("fake")) : nullptr;
    }
    std::unique_ptr<DoNotDisturb> named(const QString&) override
    {
        return std::make_unique<Switch>(state);
    }

private:
    // Ends with the connection, so nothing is recorded or guarded.
    class Switch final : public DoNotDisturb
    {
    public:
        explicit Switch(DndState& state) : m_state(state) {}
        QString id() const override { return QStringLiteral("fake"); }
        std::optional<DndState> read() override { return m_state; }
        bool write(DndState state) override
        {
            m_state = state;
            return true;
        }
        QString keeper() const override { return {}; }
        bool endsWithConnection() const override { return true; }

    private:
        DndState& m_state;
    };
};

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

// The system's side of "Launch at Login", which can refuse: the one thing a test cannot make a
// real autostart folder do on demand (the tests run as root).
class RefusingLoginItem final : public LoginItem
{
public:
    QList<bool> refuse; // the answer to each call in turn: true refuses it
    QList<bool> calls;  // what each call asked for
    bool isEnabled() const override { return m_enabled; }
    bool setEnabled(bool on) override
    {
        calls.append(on);
        if (!refuse.isEmpty() && refuse.takeFirst())
            return false;
        m_enabled = on;
        return true;
    }

private:
    bool m_enabled = false;
};

// The real program's model and menu in a private home: settings, autostart entry, pictures and
// Desktop all live below it. Only the folder dialog and the file manager are stand-ins.
struct Fixture
{
    // Chords are answered as `chosen` says; the fixture owns it.
    explicit Fixture(FakeHotKeyGrabber* chosen = new FakeHotKeyGrabber) : grabber(chosen) {}

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
        made.window.overlays.reset(overlays);
        made.window.windowList = std::make_unique<FakeWindowList>();
        made.hotKeyGrabber.reset(grabber);
        made.notifications.reset(notifications);
        made.loginItem.reset(loginItem);
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
    FakeFolderChooser* chooser = new FakeFolderChooser;                     // owned by `services`
    FakeReveal* reveal = new FakeReveal;                                    // owned by `services`
    ListedApps* runningApps = new ListedApps;                               // owned by `services`
    FakeOverlaySurfaces* overlays = new FakeOverlaySurfaces;                // owned by `services`
    FakeHotKeyGrabber* grabber = new FakeHotKeyGrabber;                     // owned by `services`
    FakeNotificationServices* notifications = new FakeNotificationServices; // owned by `services`
    RefusingLoginItem* loginItem = new RefusingLoginItem;                   // owned by `services`
    AppServices services = servicesInHome();
    AppModel model{services};
    MenuView view{model};
};

// Visible items top to bottom: "---" a separator, "[Title]" a section, "(Title)" a disabled
// item and "Title\tKeys" one with a key equivalent.
QStringList titles(const QMenu* menu)
{
    QStringList shown;
    for (const QAction* action : menu->actions()) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator())
            shown.append(action->text().isEmpty() ? QStringLiteral("---")
                                                  : u'[' + action->text() + u']');
        else if (!action->isEnabled())
            shown.append(u'(' + action->text() + u')');
        else if (!action->shortcut().isEmpty())
            shown.append(action->text() + u'\t' + action->shortcut().toString());
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
    // The two switches of the overlays: a key equivalent only for a chord that is bound, and
    // a disabled switch with a line saying why where the session cannot show the overlay.
    void recordingItems_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("coverTaken");
        QTest::addColumn<bool>("answersLater");
        QTest::addColumn<QString>("shown");

        const QString both = QStringLiteral("Hide Desktop Icons\tCtrl+Alt+Super+D|"
                                            "Spotlight Mode\tCtrl+Alt+Super+S");
        QTest::newRow("both bound") << QString() << false << false << both;
        QTest::newRow("a chord held elsewhere shows no key")
            << QString() << true << false
            << QStringLiteral("Hide Desktop Icons|Spotlight Mode\tCtrl+Alt+Super+S");
        QTest::newRow("no keys until the desktop has bound them")
            << QString() << false << true << QStringLiteral("Hide Desktop Icons|Spotlight Mode");
        QTest::newRow("overlays impossible here")
            << QStringLiteral("Needs a compositor with layer-shell") << false << false
            << QStringLiteral("(Hide Desktop Icons\tCtrl+Alt+Super+D)|"
                              "(Needs a compositor with layer-shell)|"
                              "(Spotlight Mode\tCtrl+Alt+Super+S)|"
                              "(Needs a compositor with layer-shell)");
    }

    void recordingItems()
    {
        QFETCH(QString, reason);
        QFETCH(bool, coverTaken);
        QFETCH(bool, answersLater);
        QFETCH(QString, shown);
        auto* grabber = new FakeHotKeyGrabber;
        if (coverTaken)
            grabber->taken.append(HotKeyChords::cover);
        grabber->answersLater = answersLater;
        Fixture f(grabber);
        f.overlays->reason = reason;
        QMenu* menu = f.view.menu();
        Q_EMIT menu->aboutToShow();
        const auto recording = [&] { return titles(menu).mid(1, 2 * 2).join(u'|'); };
        QVERIFY2(recording().startsWith(shown), qPrintable(recording()));

        // Granted late, a chord shows its key from then on, even while the menu is open.
        Q_EMIT grabber->answered(f.model.coverHotKey(), true);
        Q_EMIT grabber->answered(f.model.spotlightHotKey(), true);
        if (reason.isEmpty())
            QVERIFY(recording().startsWith(QStringLiteral("Hide Desktop Icons\tCtrl+Alt+Super+D|"
                                                          "Spotlight Mode\tCtrl+Alt+Super+S")));

        // A press runs the switch of its own chord; a chord taken back shows no key any more.
        Q_EMIT grabber->pressed(f.model.spotlightHotKey());
        QCOMPARE(f.model.spotlight().isOn(), reason.isEmpty());
        QVERIFY(!f.model.cover().isOn());
        Q_EMIT grabber->answered(f.model.coverHotKey(), false);
        QVERIFY2(recording().startsWith(reason.isEmpty() ? QStringLiteral("Hide Desktop Icons|")
                                                         : QStringLiteral("(Hide Desktop Icons)|")),
                 qPrintable(recording()));
    }

    // The system may refuse: the item flips back, and the revert is tried once only.
    void launchAtLogin_data()
    {
        QTest::addColumn<QList<bool>>("refuse");
        QTest::addColumn<QList<bool>>("calls");
        QTest::addColumn<bool>("checked");

        QTest::newRow("accepted") << QList<bool>{false} << QList<bool>{true} << true;
        QTest::newRow("refused: flips back and undoes once")
            << QList<bool>{true, false} << QList<bool>{true, false} << false;
        QTest::newRow("refused twice: stops after one revert")
            << QList<bool>{true, true} << QList<bool>{true, false} << false;
    }
    void launchAtLogin()
    {
        QFETCH(QList<bool>, refuse);
        Fixture f;
        f.loginItem->refuse = refuse;
        QAction* launch = item(f.view.menu(), QStringLiteral("Launch at Login"));
        QVERIFY(!launch->isChecked());
        launch->trigger();
        QTEST(f.loginItem->calls, "calls");
        QTEST(launch->isChecked(), "checked");
    }

    // Where the tray host draws the menu: headers as lines of their own, "_" and "&" in names
    // escaped for the export, and back when the menu is drawn here again.
    void exportedMenu()
    {
        Fixture f;
        f.runningApps->set(
            {{QStringLiteral("org.example.Mail"), QStringLiteral("Mail_Merge & Co"), 11}});
        QMenu* menu = f.view.menu();
        QMenu* apps = item(menu, QStringLiteral("Spotlight Apps"))->menu();
        const QString drawn = QStringLiteral(
            "[Recording]|Hide Desktop Icons\tCtrl+Alt+Super+D|Spotlight Mode\tCtrl+Alt+Super+S|"
            "Spotlight Apps|Background|[Tidy]|Tidy Desktop\u2026|(Undo Tidy)|"
            "File Items Older Than|Auto-Tidy Daily|Show Archive in File Manager|---|"
            "Launch at Login|Quit Tavlin\tCtrl+Q");
        QCOMPARE(titles(menu).join(u'|'), drawn);
        QVERIFY(item(menu, QStringLiteral("Quit Tavlin"))->isShortcutVisibleInContextMenu());

        f.view.setPath(MenuPath::Exported);
        // The keys themselves, which the host names in its own words.
        QCOMPARE(titles(menu).mid(0, 2).join(u'|'),
                 QStringLiteral("(Recording)|Hide Desktop Icons\tMeta+Ctrl+Alt+D"));
        QCOMPARE(titles(menu).mid(5, 3).join(u'|'),
                 QStringLiteral("[Tidy]|(Tidy)|Tidy Desktop\u2026"));
        QCOMPARE(titles(apps).at(2), QStringLiteral("Mail&_Merge & Co"));

        f.view.setPath(MenuPath::Drawn);
        QCOMPARE(titles(menu).join(u'|'), drawn);
        QCOMPARE(titles(apps).at(2), QStringLiteral("Mail_Merge && Co"));
    }
    // Disabled with the reason where the notification service cannot be switched, unless it is
    // on and so must be possible to switch off; asked again as the submenu opens.
    void doNotDisturbItem_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("shown");

        QTest::newRow("a service Tavlin can switch")
            << QString() << false << QStringLiteral("Turn On Do Not Disturb");
        QTest::newRow("none running")
            << QStringLiteral("No notification service is running") << false
            << QStringLiteral("(Turn On Do Not Disturb)|(No notification service is running)");
        QTest::newRow("on, and the service gone since")
            << QStringLiteral("Tavlin can't switch notify-osd's Do Not Disturb") << true
            << QStringLiteral(
                   "Turn On Do Not Disturb|(Tavlin can't switch notify-osd's Do Not Disturb)");
    }
    void doNotDisturbItem()
    {
        QFETCH(QString, reason);
        QFETCH(bool, on);
        Fixture f;
        QMenu* apps = item(f.view.menu(), QStringLiteral("Spotlight Apps"))->menu();
        f.model.spotlight().setTurnsOnDoNotDisturb(on);
        f.notifications->reason = reason;
        Q_EMIT apps->aboutToShow();
        QTEST(titles(apps).mid(5).join(u'|'), "shown");
        QCOMPARE(item(apps, QStringLiteral("Turn On Do Not Disturb"))->isChecked(), on);

        // A disabled item cannot be chosen.
        const bool enabled = reason.isEmpty() || on;
        item(apps, QStringLiteral("Turn On Do Not Disturb"))->trigger();
        QCOMPARE(f.settingsFile().value(QStringLiteral("spotlightTurnsOnDoNotDisturb")),
                 QJsonValue(enabled != on));
    }

    void appRows()
    {
        Fixture f;
        QMenu* apps = item(f.view.menu(), QStringLiteral("Spotlight Apps"))->menu();
        QCOMPARE(titles(apps).join(u'|'),
                 QStringLiteral("(None picked: uses the frontmost app)|---|---|"
                                "Also Cover Menu Bar|Remind Me About Do Not Disturb|"
                                "Turn On Do Not Disturb"));
        const QString editor = QStringLiteral("org.example.Editor");
        f.runningApps->set({{editor, QStringLiteral("Editor"), 11},
                            {editor, QStringLiteral("Editor"), 12},
                            {QString(), QString(), 13}});
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
        QCOMPARE(titles(apps).size(), 6);
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
        QCOMPARE(titles(menu).at(11), u'(' + f.model.tidy().status() + u')');
        QCOMPARE(titles(menu).at(12), QStringLiteral("---"));

        item(menu, QStringLiteral("Show Archive in File Manager"))->trigger();
        QCOMPARE(f.reveal->revealed, QByteArrayList{QFile::encodeName(f.desktop())});
    }
};

QTEST_MAIN(TestMenuView)
#include "tst_menuview.moc"
