// What X11 clients and the server tell about windows, read without trusting it: where a
// client is, from ConfigureNotify alone, and the icons a client wrote into its property.
#include "platform/x11/ClientPlacement.h"
#include "platform/x11/NetWmIcon.h"

#include <QTest>

using namespace tavlin;

namespace {

enum class Source { Client, Synthetic, Frame };
using Items = QList<quint32>;
using Sizes = QList<QSize>;

} // namespace

Q_DECLARE_METATYPE(Source)

class TestX11Replies : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsConfigureEvents_data()
    {
        QTest::addColumn<bool>("framed");
        QTest::addColumn<bool>("frameOnRoot");
        QTest::addColumn<Source>("source");
        QTest::addColumn<QRect>("event"); // x, y of the outer corner; inner size
        QTest::addColumn<int>("border");
        QTest::addColumn<QRect>("expected"); // the client's inner area on the root; null: ask

        // Read first: the client sits at 4, 22 inside a frame whose inside starts at 100, 50.
        QTest::newRow("frame moved") << true << true << Source::Frame << QRect(299, 199, 208, 176)
                                     << 1 << QRect(304, 222, 200, 150);
        QTest::newRow("frame nested in another window: ask")
            << true << false << Source::Frame << QRect(300, 200, 208, 176) << 0 << QRect();
        QTest::newRow("client resized inside its frame")
            << true << true << Source::Client << QRect(4, 22, 300, 250) << 0
            << QRect(104, 72, 300, 250);
        QTest::newRow("client moved within its frame")
            << true << true << Source::Client << QRect(0, 30, 200, 150) << 0
            << QRect(100, 80, 200, 150);
        QTest::newRow("synthetic event is in root coordinates")
            << true << false << Source::Synthetic << QRect(500, 400, 200, 150) << 0
            << QRect(500, 400, 200, 150);
        QTest::newRow("synthetic event counts the border as outside")
            << true << true << Source::Synthetic << QRect(499, 399, 200, 150) << 1
            << QRect(500, 400, 200, 150);
        QTest::newRow("unframed client is placed on the root itself")
            << false << false << Source::Client << QRect(700, 10, 200, 150) << 0
            << QRect(700, 10, 200, 150);
    }

    void followsConfigureEvents()
    {
        QFETCH(bool, framed);
        QFETCH(bool, frameOnRoot);
        QFETCH(Source, source);
        QFETCH(QRect, event);
        QFETCH(int, border);
        QFETCH(QRect, expected);

        const QPoint inFrame = framed ? QPoint(4, 22) : QPoint(0, 0);
        ClientPlacement placement =
            ClientPlacement::read(framed, frameOnRoot, {inFrame.x(), inFrame.y(), 200, 150, 0},
                                  QPoint(100, 50) + inFrame);
        const ConfigureGeometry geometry{event.x(), event.y(), event.width(), event.height(),
                                         border};
        bool placed = true;
        if (source == Source::Frame)
            placed = placement.frameConfigured(geometry);
        else
            placement.clientConfigured(geometry, source == Source::Synthetic);
        QCOMPARE(placed, !expected.isNull());
        if (placed)
            QCOMPARE(placement.rect, expected);
    }

    // After the window manager's own word, the frame's next move starts from there.
    void syntheticEventThenFrameMove()
    {
        ClientPlacement placement =
            ClientPlacement::read(true, true, {4, 22, 200, 150, 0}, QPoint(104, 72));
        placement.clientConfigured({600, 500, 200, 150, 0}, true);
        placement.frameConfigured({700, 500, 208, 176, 0});
        QCOMPARE(placement.rect, QRect(704, 522, 200, 150));
    }

    // Any client can write anything into the property: what does not add up is dropped.
    void images_data()
    {
        QTest::addColumn<Items>("data");
        QTest::addColumn<Sizes>("expected");
        const quint32 red = 0x80ff0000;
        QTest::newRow("two sizes")
            << Items{2, 1, red, red, 1, 1, red} << Sizes{QSize(2, 1), QSize(1, 1)};
        QTest::newRow("cut short: the ones before")
            << Items{1, 1, red, 4, 4, red, red} << Sizes{QSize(1, 1)};
        QTest::newRow("zero width") << Items{0, 5, red} << Sizes{};
        QTest::newRow("side beyond any icon") << Items{5000, 1, red} << Sizes{};
        QTest::newRow("product beyond 32 bits") << Items{0xffffffff, 0xffffffff, red} << Sizes{};
        QTest::newRow("a width alone") << Items{16} << Sizes{};
    }

    void images()
    {
        QFETCH(Items, data);
        QFETCH(Sizes, expected);
        const QList<QImage> images = NetWmIcon::images(data);
        Sizes sizes;
        for (const QImage& image : images) {
            sizes.append(image.size());
            QCOMPARE(image.pixel(0, 0), data[2]);
        }
        QCOMPARE(sizes, expected);
    }
};

QTEST_GUILESS_MAIN(TestX11Replies)
#include "tst_x11replies.moc"
