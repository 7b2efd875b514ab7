#include "menu/MenuTitles.h"

#include <QTest>

using namespace tavlin;

class TestMenuTitles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tidyItem_data()
    {
        QTest::addColumn<int>("pending"); // -1: not known
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("enabled");

        QTest::newRow("absent asks for the folder")
            << -1 << QStringLiteral("Tidy Desktop\u2026") << true;
        QTest::newRow("0") << 0 << QStringLiteral("Nothing to Tidy") << false;
        QTest::newRow("1") << 1 << QStringLiteral("Tidy Desktop (1 Item)") << true;
        QTest::newRow("12") << 12 << QStringLiteral("Tidy Desktop (12 Items)") << true;
    }
    void tidyItem()
    {
        QFETCH(int, pending);
        QFETCH(QString, title);
        QFETCH(bool, enabled);

        const std::optional<int> count = pending < 0 ? std::nullopt : std::optional<int>(pending);
        QCOMPARE(MenuTitles::tidyTitle(count), title);
        QCOMPARE(MenuTitles::tidyEnabled(count), enabled);
    }

    void undoItem_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("title");

        QTest::newRow("0") << 0 << QStringLiteral("Undo Tidy");
        QTest::newRow("1") << 1 << QStringLiteral("Undo Tidy (1 Item)");
        QTest::newRow("3") << 3 << QStringLiteral("Undo Tidy (3 Items)");
    }
    void undoItem()
    {
        QFETCH(int, count);
        QFETCH(QString, title);

        QCOMPARE(MenuTitles::undoTitle(count), title);
        QCOMPARE(MenuTitles::undoEnabled(count), count > 0);
    }

    void texts_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");

        QTest::newRow("app without a name") << MenuTitles::appName({}) << QStringLiteral("Unknown");
        QTest::newRow("nothing pinned") << MenuTitles::spotlightAppsHeader({})
                                        << QStringLiteral("None picked: uses the frontmost app");
        QTest::newRow("pinned, running or not")
            << MenuTitles::spotlightAppsHeader({QStringLiteral("org.gnome.Nautilus")})
            << QStringLiteral("Shown in Spotlight Mode");
        QTest::newRow("ampersand is no mnemonic")
            << MenuTitles::verbatim(QStringLiteral("Rock & Roll\tRadio"))
            << QStringLiteral("Rock && Roll Radio");
        QTest::newRow("drawn: underscore as it is")
            << MenuTitles::verbatim(QStringLiteral("my_app")) << QStringLiteral("my_app");
        // Qt's export turns the first "&" into "_"; hosts show "__" as "_", "_&" as "&".
        const auto exported = [](const char* text) {
            return MenuTitles::verbatim(QString::fromUtf8(text), MenuPath::Exported);
        };
        QTest::newRow("exported: underscores doubled")
            << exported("my_app_\tx") << QStringLiteral("my__app__ x");
        QTest::newRow("exported: an underscore before the ampersand takes Qt's conversion")
            << exported("Mail_Merge & Co") << QStringLiteral("Mail&_Merge & Co");
        QTest::newRow("exported: otherwise the first ampersand becomes its own mnemonic")
            << exported("A & B & C") << QStringLiteral("A && B & C");
        QTest::newRow("exported: an ampersand at the end stays")
            << exported("R&") << QStringLiteral("R&");
    }
    void texts()
    {
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        QCOMPARE(shown, expected);
    }

    void featureEnabled_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("on");
        QTest::addColumn<bool>("enabled");

        QTest::newRow("possible") << QString() << false << true;
        QTest::newRow("impossible here")
            << QStringLiteral("Needs an X11 session") << false << false;
        QTest::newRow("impossible, yet on: can be switched off")
            << QStringLiteral("Needs an X11 session") << true << true;
    }
    void featureEnabled()
    {
        QFETCH(QString, reason);
        QFETCH(bool, on);
        QTEST(MenuTitles::featureEnabled(reason, on), "enabled");
    }
};

QTEST_GUILESS_MAIN(TestMenuTitles)
#include "tst_menutitles.moc"
