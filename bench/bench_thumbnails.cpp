// The menu's 24 thumbnails as BackdropImages makes them (each repetition with nothing cached)
// against a full decode of the same 24 files, measured in the same run. Also per format, since
// how small a picture can be decoded depends on the format's image plugin. Prints figures and
// ratios; exits 0 whatever the ratios are. An optional argument names the pictures' folder.

#include "backdrop/BackdropCatalog.h"
#include "backdrop/BackdropImages.h"
#include "bench/BenchTiming.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using tavlin::bench::median;
using tavlin::bench::millisecondsOf;

constexpr int repetitions = 7;

struct Timings
{
    std::vector<double> thumbnails;
    std::vector<double> full;
};

// Both ways over `files`, interleaved so that drift of the machine hits both alike.
Timings measure(const QString& folder, const QStringList& files)
{
    Timings timings;
    int decoded = 0;
    for (int run = 0; run <= repetitions; ++run) {
        const double thumbnails = millisecondsOf([&] {
            tavlin::BackdropImages images({folder}, nullptr);
            for (const QString& file : files)
                decoded += images.thumbnail(file).isNull() ? 0 : 1;
        });
        const double full = millisecondsOf([&] {
            for (const QString& file : files)
                decoded += QImageReader(folder + QLatin1Char('/') + file).read().isNull() ? 0 : 1;
        });
        if (run == 0)
            continue; // the first pass only warms the file cache and loads the plugins
        timings.thumbnails.push_back(thumbnails);
        timings.full.push_back(full);
    }
    if (decoded != 2 * (repetitions + 1) * int(files.size()))
        std::printf("  warning: %d of the decodes failed\n",
                    2 * (repetitions + 1) * int(files.size()) - decoded);
    return timings;
}

void printTimings(const char* label, const Timings& timings, double target)
{
    const double thumbnails = median(timings.thumbnails);
    const double full = median(timings.full);
    const double ratio = thumbnails / full;
    std::printf("  %-8s thumbnails %8.1f ms   full decode %8.1f ms   ratio %5.3f", label,
                thumbnails, full, ratio);
    if (target > 0)
        std::printf("   target <= %.2f  %s\n", target, ratio <= target ? "PASS" : "OVER");
    else
        std::printf("   (information)\n");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TAVLIN_RESOURCES);

    QStringList all;
    QStringList jpeg;
    QStringList webp;
    for (const tavlin::BackdropPicture& picture : tavlin::backdropCatalog()) {
        all.append(picture.file);
        (picture.file.endsWith(QLatin1String(".webp")) ? webp : jpeg).append(picture.file);
    }

    std::printf("bench_thumbnails: %d pictures in %s, median of %d runs\n", int(all.size()),
                qPrintable(folder), repetitions);
    for (const QString& sample : {jpeg.first(), webp.first()}) {
        QImageReader reader(folder + QLatin1Char('/') + sample);
        std::printf("  %-5s plugin decodes at a scaled size itself: %s (%dx%d)\n",
                    reader.format().constData(),
                    reader.supportsOption(QImageIOHandler::ScaledSize) ? "yes" : "no",
                    reader.size().width(), reader.size().height());
    }
    printTimings("all", measure(folder, all), 0.25);
    printTimings("JPEG", measure(folder, jpeg), 0);
    printTimings("WebP", measure(folder, webp), 0);
    return 0;
}
