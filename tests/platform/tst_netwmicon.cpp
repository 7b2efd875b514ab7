#include "platform/x11/NetWmIcon.h"

#include <QTest>

using namespace tavlin;

using Items = QList<quint32>;
using Sizes = QList<QSize>;

class TestNetWmIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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

QTEST_GUILESS_MAIN(TestNetWmIcon)

#include "tst_netwmicon.moc"
