#include "backdrop/Backdrop.h"
#include "backdrop/BackdropCatalog.h"
#include "backdrop/BackdropImage.h"
#include "backdrop/BackdropImages.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMutex>
#include <QPainter>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>

using namespace tavlin;

namespace {

const QString resources = QStringLiteral(TAVLIN_RESOURCES);
const QString sample = QStringLiteral("bg-country-road.jpeg");

// What the desktop would show: whatever the test last put here, for any screen. A held one
// answers only once released, or gives up after 2 s.
class FakeDesktopPictures : public DesktopPictures
{
public:
    DesktopPicture pictureFor(const DesktopScreen&) const override
    {
        if (m_held && !m_release.tryAcquire(1, 2000))
            m_gaveUp = true;
        const QMutexLocker lock(&m_mutex);
        return m_picture;
    }
    void show(const DesktopPicture& picture)
    {
        const QMutexLocker lock(&m_mutex);
        m_picture = picture;
    }
    void showFile(const QString& file) { show({file, {}}); }

    bool m_held = false;
    mutable QSemaphore m_release;
    mutable std::atomic<bool> m_gaveUp{false};

private:
    mutable QMutex m_mutex;
    DesktopPicture m_picture;
};

// The wallpaper once the lookup this asks for has answered.
BackdropImage settledWallpaper(BackdropImages& images)
{
    images.screenImage(Backdrop::wallpaper(), nullptr);
    if (!QTest::qWaitFor([&] { return !images.isLookingUp(); }, 5000))
        return {};
    return images.screenImage(Backdrop::wallpaper(), nullptr);
}

} // namespace

Q_DECLARE_METATYPE(tavlin::Backdrop)

class TestBackdrop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every value this program writes reads back as itself, and every picture it names has a
    // small thumbnail, kept for the next time the menu asks; anything else is the wallpaper.
    void storedValues_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("valid");

        QStringList valid{QStringLiteral("wallpaper"), QStringLiteral("gradient")};
        for (const BackdropPicture& picture : backdropCatalog())
            valid.append(picture.file);
        for (const QString& value : valid)
            QTest::newRow(qPrintable(value)) << value << true;
        const QStringList invalid{QStringLiteral("Gradient"),
                                  QStringLiteral("gradient "),
                                  sample.toUpper(),
                                  QStringLiteral("resources/") + sample,
                                  QStringLiteral("bg-unknown-meadow.jpeg"),
                                  QString()};
        for (const QString& value : invalid)
            QTest::newRow(qPrintable(QStringLiteral("not ") + value)) << value << false;
    }

    void storedValues()
    {
        QFETCH(QString, stored);
        QFETCH(bool, valid);

        const Backdrop backdrop = Backdrop::fromStoredValue(stored);
        QCOMPARE(backdrop.storedValue(), valid ? stored : Backdrop::wallpaper().storedValue());
        QCOMPARE(Backdrop::fromStoredValue(backdrop.storedValue()), backdrop);
        if (backdrop.kind() != Backdrop::Kind::Image)
            return;
        QCOMPARE(backdrop.file(), stored);
        BackdropImages images({resources}, nullptr);
        const QImage thumbnail = images.thumbnail(stored);
        const QSize full = QImageReader(resources + QLatin1Char('/') + stored).size();
        QCOMPARE(thumbnail.size(),
                 full.scaled(BackdropImages::thumbnailMaxPixels, BackdropImages::thumbnailMaxPixels,
                             Qt::KeepAspectRatio));
        QCOMPARE(images.thumbnail(stored).cacheKey(), thumbnail.cacheKey());
    }

    void wallpaperSources_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("wallpaperAsPixels");
        QTest::addColumn<bool>("gradient");

        QTest::newRow("gradient, wallpaper known") << "gradient" << true << true;
        QTest::newRow("wallpaper known only as pixels") << "wallpaper" << true << false;
        QTest::newRow("wallpaper unknown") << "wallpaper" << false << true;
    }

    void wallpaperSources()
    {
        QFETCH(QString, stored);
        QFETCH(bool, wallpaperAsPixels);
        QFETCH(bool, gradient);

        FakeDesktopPictures desktop;
        QImage pixels;
        if (wallpaperAsPixels) {
            pixels = QImage(64, 36, QImage::Format_RGB32);
            pixels.fill(Qt::darkCyan);
            desktop.show({{}, pixels});
        }
        BackdropImages images({resources}, &desktop);
        settledWallpaper(images);
        const BackdropImage image = images.screenImage(Backdrop::fromStoredValue(stored), nullptr);
        QCOMPARE(image.isGradient(), gradient);
        if (!gradient)
            QCOMPARE(image.image().cacheKey(), pixels.cacheKey());
        QCOMPARE(image.size(), gradient ? BackdropImage::gradientSize : QSizeF(64, 36));
    }

    void lostPicturesAreFoundAgain_data()
    {
        QTest::addColumn<bool>("asWallpaper");
        QTest::addColumn<bool>("garbled");

        QTest::newRow("built-in picture missing") << false << false;
        QTest::newRow("built-in picture unreadable") << false << true;
        QTest::newRow("wallpaper file missing") << true << false;
        QTest::newRow("wallpaper file unreadable") << true << true;
    }

    void lostPicturesAreFoundAgain()
    {
        QFETCH(bool, asWallpaper);
        QFETCH(bool, garbled);

        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(sample);
        if (garbled) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a picture at all");
        }
        FakeDesktopPictures desktop;
        desktop.showFile(asWallpaper ? path : QString());
        BackdropImages images({folder.path()}, &desktop);
        const Backdrop backdrop = asWallpaper ? Backdrop::wallpaper() : Backdrop::image(sample);
        const auto shown = [&] {
            return asWallpaper ? settledWallpaper(images) : images.screenImage(backdrop, nullptr);
        };

        QVERIFY(shown().isGradient());
        QVERIFY(images.thumbnail(sample).isNull());

        QFile::remove(path);
        QVERIFY(QFile::copy(resources + QLatin1Char('/') + sample, path));
        const BackdropImage restored = shown();
        QVERIFY(!restored.isGradient());
        QCOMPARE(restored.image().size(), QSize(3840, 2400));
        QVERIFY(!images.thumbnail(sample).isNull());
    }

    // A slideshow changes the file again and again: only what is shown stays decoded, and it
    // stays the same picture for as long as it is shown.
    void slideshowKeepsOnlyWhatIsShown()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        FakeDesktopPictures desktop;
        BackdropImages images({resources}, &desktop);
        const BackdropImage built = images.screenImage(Backdrop::image(sample), nullptr);
        for (int slide = 0; slide < 6; ++slide) {
            const QString file = folder.filePath(QStringLiteral("slide%1.jpeg").arg(slide));
            QVERIFY(QFile::copy(resources + QLatin1Char('/') + sample, file));
            desktop.showFile(file);
            const BackdropImage shown = settledWallpaper(images);
            QVERIFY(!shown.isGradient());
            QCOMPARE(settledWallpaper(images).image().cacheKey(), shown.image().cacheKey());
            QCOMPARE_LE(images.decodedCount(), 2 + BackdropImages::spareDecoded);
        }
        QCOMPARE(images.screenImage(Backdrop::image(sample), nullptr).image().cacheKey(),
                 built.image().cacheKey());
    }

    // However long the desktop takes to say, the caller gets an answer at once.
    void wallpaperLookupNeverWaits()
    {
        FakeDesktopPictures desktop;
        desktop.showFile(QDir(resources).filePath(sample));
        desktop.m_held = true;
        BackdropImages images({resources}, &desktop);
        QVERIFY(images.screenImage(Backdrop::wallpaper(), nullptr).isGradient());
        QVERIFY(!desktop.m_gaveUp);
        QSignalSpy changed(&images, &BackdropImages::wallpapersChanged);
        desktop.m_release.release(2);
        QVERIFY(changed.wait(5000));
        QVERIFY(!images.screenImage(Backdrop::wallpaper(), nullptr).isGradient());
    }

    void aspectFillCoversAndCentres_data()
    {
        QTest::addColumn<QSizeF>("imageSize");
        QTest::addColumn<QRectF>("target");
        QTest::addColumn<QRectF>("expected");

        QTest::newRow("wide into square")
            << QSizeF(1600, 1000) << QRectF(0, 0, 1000, 1000) << QRectF(-300, 0, 1600, 1000);
        QTest::newRow("into a wide strip")
            << QSizeF(1600, 1000) << QRectF(0, 0, 2000, 500) << QRectF(0, -375, 2000, 1250);
        QTest::newRow("same shape, smaller")
            << QSizeF(1600, 1000) << QRectF(0, 0, 800, 500) << QRectF(0, 0, 800, 500);
        QTest::newRow("second monitor")
            << QSizeF(1600, 1000) << QRectF(960, 0, 960, 1080) << QRectF(576, 0, 1728, 1080);
        QTest::newRow("zero height") << QSizeF(100, 0) << QRectF(0, 0, 1000, 1000) << QRectF();
    }

    void aspectFillCoversAndCentres()
    {
        QFETCH(QSizeF, imageSize);
        QFETCH(QRectF, target);

        const QRectF rect = aspectFillRect(imageSize, target);
        QTEST(rect, "expected");
    }
};

QTEST_MAIN(TestBackdrop)

#include "tst_backdrop.moc"
