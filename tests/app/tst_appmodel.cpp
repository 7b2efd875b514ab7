// The model's own rules: the login item's revert, the backdrop's write-through and the two hot
// keys' ids, on the offscreen platform with a private home.
#include "app/AppModel.h"
#include "app/AppServices.h"
#include "menu/HotKeyChords.h"
#include "tests/fakes/FakeHotKeyGrabber.h"
#include "tests/fakes/FakeOverlaySurfaces.h"
#include "tests/fakes/FakeWindowList.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tavlin;

namespace {

// The system's side of "Launch at Login", which can refuse: the one thing a test cannot make a
// real autostart folder do on demand (the tests run as root).
class RefusingLoginItem final : public LoginItem
{
public:
    bool enabled = false;
    QList<bool> refuse; // the answer to each call in turn: true refuses it
    QList<bool> calls;  // what each call asked for
    bool isEnabled() const override { return enabled; }
    bool setEnabled(bool on) override
    {
        calls.append(on);
        if (!refuse.isEmpty() && refuse.takeFirst())
            return false;
        enabled = on;
        return true;
    }
};

struct Fixture
{
    // The home is set before anything reads where the settings live.
    AppServices servicesInHome()
    {
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
        AppServices made = AppServices::make();
        made.loginItem.reset(login);
        made.hotKeyGrabber.reset(grabber);
        made.window.overlays = std::make_unique<FakeOverlaySurfaces>();
        made.window.windowList = std::make_unique<FakeWindowList>();
        return made;
    }
    QTemporaryDir home;
    RefusingLoginItem* login = new RefusingLoginItem;   // owned by `services`
    FakeHotKeyGrabber* grabber = new FakeHotKeyGrabber; // owned by `services`
    AppServices services = servicesInHome();
};

} // namespace

class TestAppModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void launchAtLogin_data()
    {
        QTest::addColumn<QList<bool>>("refuse");
        QTest::addColumn<QList<bool>>("calls");
        QTest::addColumn<bool>("finally");
        QTest::addColumn<int>("changes");

        QTest::newRow("accepted") << QList<bool>{false} << QList<bool>{true} << true << 1;
        QTest::newRow("refused: flips back and undoes once")
            << QList<bool>{true, false} << QList<bool>{true, false} << false << 2;
        QTest::newRow("refused twice: stops after one revert")
            << QList<bool>{true, true} << QList<bool>{true, false} << false << 2;
    }
    void launchAtLogin()
    {
        QFETCH(QList<bool>, refuse);
        Fixture f;
        f.login->refuse = refuse;
        AppModel model(f.services);
        QSignalSpy changes(&model, &AppModel::launchAtLoginChanged);
        model.setLaunchAtLogin(true);
        QTEST(f.login->calls, "calls");
        QTEST(model.launchAtLogin(), "finally");
        QTEST(int(changes.size()), "changes");
    }

    void launchAtLoginStartsFromTheSystemAndIgnoresTheSameValue()
    {
        Fixture f;
        f.login->enabled = true;
        AppModel model(f.services);
        QVERIFY(model.launchAtLogin());
        QSignalSpy changes(&model, &AppModel::launchAtLoginChanged);
        model.setLaunchAtLogin(true);
        QVERIFY(f.login->calls.isEmpty());
        QCOMPARE(changes.size(), 0);
    }

    void backdropIsStoredOnEveryWrite()
    {
        Fixture f;
        AppModel model(f.services);
        SettingsStore& settings = *f.services.core.settings;
        QCOMPARE(model.backdrop(), Backdrop::wallpaper());
        QVERIFY(!settings.contains(Backdrop::settingsKey())); // first run: nothing written
        QSignalSpy changes(&model, &AppModel::backdropChanged);
        model.setBackdrop(Backdrop::wallpaper());
        QCOMPARE(settings.string(Backdrop::settingsKey()), QStringLiteral("wallpaper"));
        QCOMPARE(changes.size(), 0);
        model.setBackdrop(Backdrop::gradient());
        QCOMPARE(settings.string(Backdrop::settingsKey()), QStringLiteral("gradient"));
        QCOMPARE(changes.size(), 1);
    }

    void hotKeysHaveIdsOneAndTwo()
    {
        Fixture f;
        f.grabber->taken = {HotKeyChords::cover}; // taken elsewhere: keeps its id, never fires
        AppModel model(f.services);
        QVERIFY(!model.hotKeys().isActive(1));
        QVERIFY(model.hotKeys().isActive(2));
        model.hotKeys().handleHotKey(1);
        QVERIFY(model.cover().isOn());
        Q_EMIT f.grabber->pressed(2);
        QVERIFY(model.spotlight().isOn());
        model.hotKeys().handleHotKey(2);
        QVERIFY(!model.spotlight().isOn());
    }
};

QTEST_MAIN(TestAppModel)
#include "tst_appmodel.moc"
