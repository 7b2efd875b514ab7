#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "spotlight/FocusReminder.h"
#include "spotlight/Spotlight.h"
#include "tests/fakes/FakeOverlaySurfaces.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace tavlin;

namespace {

const QJsonValue absent(QJsonValue::Undefined);

// Numbers compare by value: a stored 3 reads back as 3.0.
bool sameValue(const QJsonValue& a, const QJsonValue& b)
{
    return a.isDouble() && b.isDouble() ? a.toDouble() == b.toDouble() : a == b;
}

} // namespace

class TestFocusReminder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countRules_data()
    {
        QTest::addColumn<QJsonValue>("stored");
        QTest::addColumn<bool>("activeScreenKnown");
        QTest::addColumn<bool>("shows");
        QTest::addColumn<QJsonValue>("after");

        if (QGuiApplication::screens().isEmpty()) {
            // The second run, without any screen (see CMakeLists.txt).
            QTest::newRow("no screen, never shown") << absent << false << false << absent;
            QTest::newRow("no screen, shown twice")
                << QJsonValue(2) << false << false << QJsonValue(2);
            return;
        }
        QTest::newRow("never shown") << absent << true << true << QJsonValue(1);
        QTest::newRow("shown twice") << QJsonValue(2) << true << true << QJsonValue(3);
        QTest::newRow("shown three times") << QJsonValue(3) << true << false << QJsonValue(3);
        QTest::newRow("text counts as none")
            << QJsonValue(QStringLiteral("twice")) << true << true << QJsonValue(1);
        QTest::newRow("negative counts as none") << QJsonValue(-5) << true << true << QJsonValue(1);
        QTest::newRow("active screen unknown: the primary")
            << QJsonValue(1) << false << true << QJsonValue(2);
    }

    void countRules()
    {
        QFETCH(QJsonValue, stored);
        QFETCH(bool, activeScreenKnown);
        QFETCH(QJsonValue, after);

        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        JsonSettingsStore settings(folder.filePath(QStringLiteral("settings.json")));
        settings.setValue(FocusReminder::countKey(), stored);
        FakeOverlaySurfaces surfaces;
        QScreen* active = activeScreenKnown ? QGuiApplication::screens().constLast() : nullptr;
        FocusReminder reminder(settings, surfaces, [active] { return active; });

        reminder.showReminderIfNeeded();
        OverlayWindow* panel = reminder.currentPanel();
        QTEST(panel != nullptr, "shows");
        if (panel) {
            QVERIFY(panel->isVisible());
            QCOMPARE(panel->level(), OverlayLevel::Reminder);
            const QScreen* on = active ? active : QGuiApplication::primaryScreen();
            QVERIFY(on->geometry().contains(panel->geometry()));
        }
        const QJsonValue now = settings.value(FocusReminder::countKey());
        QVERIFY2(sameValue(now, after), QJsonDocument(QJsonArray{now}).toJson().constData());
    }

    void placement_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("bar of 24 on a 900-high screen")
            << QRect(0, 24, 1440, 876) << QSize(300, 60) << QRect(570, 40, 300, 60);
        QTest::newRow("odd leftover rounds left")
            << QRect(0, 0, 1920, 1080) << QSize(301, 57) << QRect(809, 16, 301, 57);
        QTest::newRow("screen above and left of the primary")
            << QRect(-1280, -1024, 1280, 1024) << QSize(300, 60) << QRect(-790, -1008, 300, 60);
    }

    void placement()
    {
        QFETCH(QRect, available);
        QFETCH(QSize, size);
        QTEST(OverlayPlacement::topCentre(size, 16).rectOn(QRect(), available), "expected");
    }

    // Spotlight mode's stored preferences: a hand-edited file may hold anything.
    void readsTheStoredPreferences_data()
    {
        QTest::addColumn<QJsonValue>("apps");
        QTest::addColumn<QJsonValue>("covers");
        QTest::addColumn<QJsonValue>("reminds");
        QTest::addColumn<QJsonValue>("silences");
        QTest::addColumn<QSet<QString>>("pinned");
        QTest::addColumn<bool>("coversMenuBar");
        QTest::addColumn<bool>("remindsAboutNotifications");
        QTest::addColumn<bool>("turnsOnDoNotDisturb");

        QTest::newRow("fresh installation")
            << absent << absent << absent << absent << QSet<QString>() << false << true << false;
        QTest::newRow("all set") << QJsonValue(QJsonArray{QStringLiteral("a")}) << QJsonValue(true)
                                 << QJsonValue(false) << QJsonValue(true)
                                 << QSet<QString>{QStringLiteral("a")} << true << false << true;
        QTest::newRow("non-strings among the identifiers are dropped")
            << QJsonValue(QJsonArray{1, QStringLiteral("b")}) << absent << absent << absent
            << QSet<QString>{QStringLiteral("b")} << false << true << false;
        QTest::newRow("a setting that is not a boolean: reminds, does not silence")
            << QJsonValue(QStringLiteral("a")) << QJsonValue(QStringLiteral("yes"))
            << QJsonValue(QStringLiteral("no")) << QJsonValue(1) << QSet<QString>() << false << true
            << false;
    }
    void readsTheStoredPreferences()
    {
        QFETCH(QJsonValue, apps);
        QFETCH(QJsonValue, covers);
        QFETCH(QJsonValue, reminds);
        QFETCH(QJsonValue, silences);
        QTemporaryDir folder;
        JsonSettingsStore settings(folder.filePath(QStringLiteral("settings.json")));
        settings.setValues({{QStringLiteral("spotlightApps"), apps},
                            {QStringLiteral("spotlightCoversMenuBar"), covers},
                            {QStringLiteral("spotlightRemindsAboutNotifications"), reminds},
                            {QStringLiteral("spotlightTurnsOnDoNotDisturb"), silences}});
        WindowServices services = PlatformFactory::makeWindowServices();
        BackdropImages images{{}, nullptr};
        Spotlight spotlight(settings, images, services);
        QTEST(spotlight.pinnedApps(), "pinned");
        QTEST(spotlight.coversMenuBar(), "coversMenuBar");
        QTEST(spotlight.remindsAboutNotifications(), "remindsAboutNotifications");
        QTEST(spotlight.turnsOnDoNotDisturb(), "turnsOnDoNotDisturb");
    }

    void reminderSettingResetsTheShowCount()
    {
        QTemporaryDir folder;
        JsonSettingsStore settings(folder.filePath(QStringLiteral("settings.json")));
        WindowServices services = PlatformFactory::makeWindowServices();
        BackdropImages images{{}, nullptr};
        Spotlight spotlight(settings, images, services);
        settings.setInteger(QStringLiteral("focusReminderShown"), 3);
        spotlight.setRemindsAboutNotifications(false);
        QCOMPARE(settings.integer(QStringLiteral("focusReminderShown")), 3);
        spotlight.setRemindsAboutNotifications(true);
        QVERIFY(!settings.contains(QStringLiteral("focusReminderShown")));
        QCOMPARE(settings.value(QStringLiteral("spotlightRemindsAboutNotifications")),
                 QJsonValue(true));
    }
};

QTEST_MAIN(TestFocusReminder)
#include "tst_focusreminder.moc"
