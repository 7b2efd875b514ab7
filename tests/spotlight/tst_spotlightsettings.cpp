// Spotlight mode's preferences and state rules, on the offscreen platform: no windows of other
// programs exist there, so the overlays cover everything.
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "spotlight/Spotlight.h"

#include <QApplication>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tavlin;

class TestSpotlightSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_settings = std::make_unique<JsonSettingsStore>(m_dir->filePath(QStringLiteral("s.json")));
    }

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

        const QJsonValue absent(QJsonValue::Undefined);
        QTest::newRow("fresh installation")
            << absent << absent << absent << absent << QSet<QString>() << false << true << false;
        QTest::newRow("one identifier twice reads as one")
            << QJsonValue(QJsonArray{QStringLiteral("a"), QStringLiteral("a")}) << QJsonValue(true)
            << QJsonValue(false) << QJsonValue(true) << QSet<QString>{QStringLiteral("a")} << true
            << false << true;
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
        m_settings->setValues({{QStringLiteral("spotlightApps"), apps},
                               {QStringLiteral("spotlightCoversMenuBar"), covers},
                               {QStringLiteral("spotlightRemindsAboutNotifications"), reminds},
                               {QStringLiteral("spotlightTurnsOnDoNotDisturb"), silences}});
        Spotlight spotlight(*m_settings, m_images, m_services);
        QTEST(spotlight.pinnedApps(), "pinned");
        QTEST(spotlight.coversMenuBar(), "coversMenuBar");
        QTEST(spotlight.remindsAboutNotifications(), "remindsAboutNotifications");
        QTEST(spotlight.turnsOnDoNotDisturb(), "turnsOnDoNotDisturb");
    }

    void reminderSettingResetsTheShowCount()
    {
        Spotlight spotlight(*m_settings, m_images, m_services);
        m_settings->setInteger(QStringLiteral("focusReminderShown"), 3);
        spotlight.setRemindsAboutNotifications(false);
        QCOMPARE(m_settings->integer(QStringLiteral("focusReminderShown")), 3);
        spotlight.setRemindsAboutNotifications(true);
        QVERIFY(!m_settings->contains(QStringLiteral("focusReminderShown")));
        QCOMPARE(m_settings->value(QStringLiteral("spotlightRemindsAboutNotifications")),
                 QJsonValue(true));
    }

    void pinning()
    {
        Spotlight spotlight(*m_settings, m_images, m_services);
        QSignalSpy changes(&spotlight, &Spotlight::pinnedAppsChanged);
        const RunningApp anonymous{QString(), QStringLiteral("No Id"), 10, {}};
        spotlight.setPinned(anonymous, true);
        QVERIFY(!spotlight.isPinned(anonymous));
        QVERIFY(!m_settings->contains(QStringLiteral("spotlightApps")));
        QCOMPARE(changes.size(), 0);

        const RunningApp app{
            QStringLiteral("org.example.Editor"), QStringLiteral("Editor"), 11, {}};
        spotlight.setPinned(app, true);
        QVERIFY(spotlight.isPinned(app));
        // Pinning again still writes the preference.
        m_settings->setValue(QStringLiteral("spotlightApps"), QJsonValue(QJsonValue::Undefined));
        spotlight.setPinned(app, true);
        QCOMPARE(m_settings->value(QStringLiteral("spotlightApps")),
                 QJsonValue(QJsonArray{QStringLiteral("org.example.Editor")}));
        spotlight.setPinned(app, false);
        QVERIFY(!spotlight.isPinned(app));
        QCOMPARE(m_settings->value(QStringLiteral("spotlightApps")), QJsonValue(QJsonArray()));
    }

private:
    WindowServices m_services = PlatformFactory::makeWindowServices();
    BackdropImages m_images{{}, nullptr};
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<JsonSettingsStore> m_settings;
};

QTEST_MAIN(TestSpotlightSettings)
#include "tst_spotlightsettings.moc"
