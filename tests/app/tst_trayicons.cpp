#include "app/SymbolPaths.h"
#include "app/TrayIcons.h"
#include "app/TrayPath.h"
#include "app/TraySymbol.h"

#include <QTest>

using namespace tavlin;

namespace {

const QString eyeFill = QStringLiteral("eye.fill");
const QString eyeSlash = QStringLiteral("eye.slash.fill");
const QString checkmark = QStringLiteral("checkmark.circle.fill");

// The fully opaque pixel furthest to one side, un-premultiplied.
QColor outermostOpaque(const QImage& image, bool fromLeft)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int i = 0; i < argb.width(); ++i) {
        const int x = fromLeft ? i : argb.width() - 1 - i;
        for (int y = 0; y < argb.height(); ++y) {
            const QColor colour = argb.pixelColor(x, y);
            if (colour.alpha() == 255)
                return colour;
        }
    }
    return {};
}

} // namespace

class TestTrayIcons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void symbolName_data()
    {
        QTest::addColumn<bool>("tidyJustFinished");
        QTest::addColumn<bool>("coverOn");
        QTest::addColumn<bool>("spotlightOn");
        QTest::addColumn<QString>("expected");

        QTest::newRow("all off") << false << false << false << eyeFill;
        QTest::newRow("cover on") << false << true << false << eyeSlash;
        QTest::newRow("spotlight on") << false << false << true << eyeSlash;
        QTest::newRow("cover and spotlight on") << false << true << true << eyeSlash;
        QTest::newRow("tidy finished") << true << false << false << checkmark;
        QTest::newRow("tidy finished while cover on") << true << true << false << checkmark;
        QTest::newRow("tidy finished while both on") << true << true << true << checkmark;
    }

    void symbolName()
    {
        QFETCH(bool, tidyJustFinished);
        QFETCH(bool, coverOn);
        QFETCH(bool, spotlightOn);
        QFETCH(QString, expected);
        QCOMPARE(traySymbolName(tidyJustFinished, coverOn, spotlightOn), expected);
    }

    // Qt settles on a tray path once; the icon is made only when that path can show it.
    void trayStartsNow_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("host");
        QTest::addColumn<bool>("now");

        QTest::newRow("X11 with a tray host") << QStringLiteral("xcb") << true << true;
        QTest::newRow("X11 without: XEmbed waits by itself")
            << QStringLiteral("xcb") << false << true;
        QTest::newRow("Wayland with a tray host") << QStringLiteral("wayland") << true << true;
        QTest::newRow("Wayland without: wait for one")
            << QStringLiteral("wayland") << false << false;
        QTest::newRow("offscreen") << QStringLiteral("offscreen") << false << false;
    }

    void trayStartsNow()
    {
        QFETCH(QString, platform);
        QFETCH(bool, host);
        QTEST(TrayPath::canStart(platform, host), "now");
    }

    void colours_data()
    {
        QTest::addColumn<QString>("symbol");
        for (const QString& name : {eyeFill, eyeSlash, checkmark})
            QTest::newRow(qPrintable(name)) << name;
    }

    // Pink at the left of the shape, yellow at the right, nothing around it; at 1x and 2x.
    void colours()
    {
        QFETCH(QString, symbol);
        TrayIcons icons;
        const QIcon icon = icons.icon(symbol);
        for (const int pixels : {16, 22, 32, 44}) {
            const QImage image = icon.pixmap(QSize(pixels, pixels)).toImage();
            QCOMPARE(image.size(), QSize(pixels, pixels));
            const QColor left = outermostOpaque(image, true);
            QVERIFY2(left.red() > 230 && left.blue() > left.green(),
                     qPrintable(QStringLiteral("%1 px: left is %2").arg(pixels).arg(left.name())));
            const QColor right = outermostOpaque(image, false);
            QVERIFY2(
                right.red() > 230 && right.green() > 170 && right.blue() < 110,
                qPrintable(QStringLiteral("%1 px: right is %2").arg(pixels).arg(right.name())));
            const int last = pixels - 1;
            for (const QPoint corner :
                 {QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last)})
                QCOMPARE(image.pixelColor(corner).alpha(), 0);
        }
    }

    void builtOnce()
    {
        TrayIcons icons;
        const QIcon first = icons.icon(eyeSlash);
        QVERIFY(!first.isNull());
        QCOMPARE(icons.icon(eyeSlash).cacheKey(), first.cacheKey());
        QVERIFY(icons.icon(eyeFill).cacheKey() != first.cacheKey());
    }

    void unknownNameNotRemembered()
    {
        TrayIcons icons;
        const QString name = QStringLiteral("moon.stars");
        QVERIFY(icons.icon(name).isNull());
        QVERIFY(icons.icon(name).isNull());
        QVERIFY(icons.icon(QString()).isNull());
    }
};

QTEST_MAIN(TestTrayIcons)
#include "tst_trayicons.moc"
