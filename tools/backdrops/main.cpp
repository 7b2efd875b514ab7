// Paints the built-in backdrop pictures. Every picture has a fixed seed, so running this again
// reproduces the shipped files.

#include "Catalog.h"
#include "backdrop/BackdropCatalog.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Job
{
    QString file;
    tavlin::backdrops::Painter paint;
};

// Quality per picture: grain and brush texture hide compression, so those styles take a lower
// setting; smooth washes and gradients band first and keep a higher one. The package installs
// every picture, so each is kept as small as it can look right.
int quality(const QString& file, bool jpeg)
{
    const QString name = QFileInfo(file).completeBaseName();
    if (name.startsWith(QLatin1String("bg-riso-")) || name.startsWith(QLatin1String("bg-oil-")))
        return 78;
    if (name == QLatin1String("bg-tall-grass") || name == QLatin1String("bg-paper-hills"))
        return 80;
    return jpeg ? 84 : 82;
}

bool save(const QImage& image, const QString& path)
{
    const bool jpeg = path.endsWith(QLatin1String(".jpeg")) || path.endsWith(QLatin1String(".jpg"));
    return image.save(path, jpeg ? "JPEG" : "WEBP", quality(path, jpeg));
}

// The menu's small copy: WebP cannot be decoded at a reduced size, so the program reads this
// instead of decoding the whole picture.
bool saveThumbnail(const QImage& image, const QDir& out, const QString& file)
{
    if (!out.mkpath(QStringLiteral("thumbnails")))
        return false;
    const QImage small = image.scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return small.save(out.filePath(QStringLiteral("thumbnails/") +
                                   QFileInfo(file).completeBaseName() + QStringLiteral(".png")),
                      "PNG");
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("paint_backdrops"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Paints the built-in backdrop pictures."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("Folder to write into."));
    const QCommandLineOption widthOption(QStringLiteral("width"),
                                         QStringLiteral("Width in pixels."),
                                         QStringLiteral("pixels"), QStringLiteral("3840"));
    const QCommandLineOption heightOption(QStringLiteral("height"),
                                          QStringLiteral("Height in pixels."),
                                          QStringLiteral("pixels"), QStringLiteral("2400"));
    const QCommandLineOption onlyOption(
        QStringLiteral("only"), QStringLiteral("Paint just this file."), QStringLiteral("file"));
    const QCommandLineOption jobsOption(QStringLiteral("jobs"),
                                        QStringLiteral("Pictures painted at once."),
                                        QStringLiteral("count"));
    const QCommandLineOption thumbnailsOption(
        QStringLiteral("thumbnails-only"),
        QStringLiteral("Only make the thumbnails, from the pictures already in the folder."));
    parser.addOptions({widthOption, heightOption, onlyOption, jobsOption, thumbnailsOption});
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        std::fprintf(stderr,
                     "usage: paint_backdrops OUTPUT_DIR [--width W --height H] [--only FILE]\n");
        return 2;
    }
    bool okW = false;
    bool okH = false;
    const QSize size(parser.value(widthOption).toInt(&okW), parser.value(heightOption).toInt(&okH));
    if (!okW || !okH || size.width() < 64 || size.height() < 64) {
        std::fprintf(stderr,
                     "paint_backdrops: width and height must be whole numbers of at least 64\n");
        return 2;
    }
    const QDir out(positional.first());
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "paint_backdrops: cannot create %s\n", qPrintable(out.path()));
        return 1;
    }

    std::vector<Job> todo;
    const auto& catalog = tavlin::backdropCatalog();
    for (size_t i = 0; i < catalog.size(); ++i)
        if (!parser.isSet(onlyOption) || parser.value(onlyOption) == catalog[i].file)
            todo.push_back({catalog[i].file, tavlin::backdrops::painters()[i]});
    if (todo.empty()) {
        std::fprintf(stderr, "paint_backdrops: no picture is called %s\n",
                     qPrintable(parser.value(onlyOption)));
        return 2;
    }

    int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    if (parser.isSet(jobsOption))
        jobs = std::max(1, parser.value(jobsOption).toInt());
    jobs = std::min(jobs, static_cast<int>(todo.size()));

    // Pictures are independent, so each worker paints whole pictures; no shared state but the
    // queue position and the console.
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex console;
    QElapsedTimer total;
    total.start();
    auto worker = [&] {
        for (size_t i = next++; i < todo.size(); i = next++) {
            QElapsedTimer timer;
            timer.start();
            const QString path = out.filePath(todo[i].file);
            const bool repaint = !parser.isSet(thumbnailsOption);
            const QImage image = repaint ? todo[i].paint(size) : QImage(path);
            const bool ok = !image.isNull() && (!repaint || save(image, path)) &&
                            saveThumbnail(image, out, todo[i].file);
            const std::lock_guard lock(console);
            if (!ok) {
                failed = true;
                std::fprintf(stderr, "paint_backdrops: could not write %s\n", qPrintable(path));
            } else {
                std::printf("%-40s %6.1f s\n", qPrintable(todo[i].file), timer.elapsed() / 1000.0);
                std::fflush(stdout);
            }
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < jobs; ++i)
        threads.emplace_back(worker);
    for (std::thread& t : threads)
        t.join();
    std::printf("painted %zu in %.1f s\n", todo.size(), total.elapsed() / 1000.0);
    return failed ? 1 : 0;
}
