#include "tests/tidy/RandomDesktop.h"

#include "tests/fakes/TestTree.h"
#include "tidy/ArchivePaths.h"
#include "tidy/FileName.h"
#include "tidy/TidyKeys.h"

namespace tavlin::RandomDesktop {

constexpr double day = 86400.0;

int pick(Random& random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

bool chance(Random& random, double probability)
{
    return std::bernoulli_distribution(probability)(random);
}

QByteArray printable(const QByteArray& bytes, qsizetype limit)
{
    return bytes.left(limit).toPercentEncoding(" /.()'#:") + (bytes.size() > limit ? "..." : "");
}

namespace {

QByteArray randomExtension(Random& random)
{
    static const char* const extensions[] = {".png",    ".jpg", ".pdf", ".txt",  ".md",  ".zip",
                                             ".tar.gz", ".c",   ".py",  ".json", ".mp3", ""};
    return pickFrom(random, extensions);
}

// The awkward names Desktops collect. The id keeps most of them unique.
QByteArray randomName(Random& random, int id)
{
    // "%1" stands for the id.
    static const QByteArrayList patterns =
        QByteArray("Screenshot %1.png|x\xff\xfe%1.txt|.%1 hidden|back\\slash %1.txt|\\x41 %1\\xff|"
                   "\\x41 %1\\\\|caf\xc3\xa9 %1.md|cafe\xcc\x81 %1.md|%1.|...%1| spaced %1 |"
                   "a.b.%1.tar.gz|line %1\nnext.md")
            .split('|');
    static const QByteArrayList common =
        QByteArray(
            "report.pdf|report 2.pdf|notes|notes 2|photo.png|Tavlin Archive 2|archive.tar.gz")
            .split('|');
    const QByteArray n = QByteArray::number(id);
    switch (pick(random, 0, 6)) {
    case 0:
    case 1:
        return QByteArray(pickFrom(random, patterns)).replace("%1", n);
    case 2:
        return pickFrom(random, common);
    case 3:
        return "bad" + QByteArray(1, char(pick(random, 0x80, 0xff))) + n + randomExtension(random);
    case 4: {
        // 250-255 bytes; with an extension a " 2" suffix no longer fits.
        const QByteArray ext = chance(random, 0.6) ? QByteArray(".txt") : QByteArray();
        const QByteArray head = "long " + n + ' ';
        return head + QByteArray(pick(random, 250, 255) - head.size() - ext.size(), 'w') + ext;
    }
    default:
        return "file " + n + randomExtension(random);
    }
}

// The id goes last so that magic bytes at the start still steer content detection.
QByteArray fileContent(Random& random, int id)
{
    if (chance(random, 0.08))
        return {};
    static const char* const heads[] = {"",           "%PDF-1.4\n",  "\x89PNG\r\n\x1a\n",
                                        "PK\x03\x04", "#!/bin/sh\n", "{\"a\": 1}\n"};
    QByteArray content(pickFrom(random, heads));
    const int length = pick(random, 0, 300);
    for (int i = 0; i < length; ++i)
        content += char(pick(random, 0, 255));
    return content + "#id:" + QByteArray::number(id) + '#';
}

QByteArray linkTarget(Random& random, const QByteArray& desktop,
                      const std::vector<QByteArray>& names, const QByteArray& self, int id)
{
    const int kind = pick(random, 0, 6);
    if ((kind == 0 || kind == 1) && !names.empty()) {
        const QByteArray name = pickFrom(random, names);
        return kind == 0 ? desktop + '/' + name : name;
    }
    switch (kind) {
    case 2:
        return chance(random, 0.5) ? QByteArray("/") : QByteArray("..");
    case 3:
        return "Tavlin Archive";
    case 4:
        return self; // a loop
    case 5:
        return "/nonexistent/" + QByteArray::number(id);
    default:
        return "missing " + QByteArray::number(id);
    }
}

bool makeFilledFolder(Random& random, const QByteArray& path, int& nextId)
{
    if (!TestTree::makeFolder(path))
        return false;
    for (int i = pick(random, 1, 2); i > 0; --i) {
        const int id = nextId++;
        if (!TestTree::writeFile(path + '/' + randomName(random, id), fileContent(random, id)))
            TestTree::writeFile(path + "/inner " + QByteArray::number(id), fileContent(random, id));
    }
    if (chance(random, 0.3) && TestTree::makeFolder(path + "/sub"))
        TestTree::writeFile(path + "/sub/deep", fileContent(random, nextId++));
    if (chance(random, 0.3))
        TestTree::makeSymlink("../" + FileName::lastComponent(path), path + "/up");
    return true;
}

} // namespace

bool populateDesktop(Random& random, const QByteArray& desktop, int& nextId, double now)
{
    std::vector<QByteArray> names;
    for (int i = pick(random, 10, 40); i > 0; --i) {
        const int id = nextId++;
        const QByteArray name = randomName(random, id);
        const QByteArray path = desktop + '/' + name;
        if (TestTree::exists(path))
            continue;
        const int kind = pick(random, 0, 99);
        const bool made =
            kind < 55   ? TestTree::writeFile(path, fileContent(random, id))
            : kind < 70 ? makeFilledFolder(random, path, nextId)
            : kind < 97 ? TestTree::makeSymlink(linkTarget(random, desktop, names, name, id), path)
                        : TestTree::makeFifo(path);
        names.push_back(name);
        // Most items are old; a few were touched hours before the run and must stay.
        const double modified =
            chance(random, 0.85) ? now - pick(random, 8, 900) * day : now - day / 2;
        if (!made || !TestTree::setModified(path, modified))
            return false;
    }
    return true;
}

namespace {

void makePath(QByteArray path, const QByteArrayList& parts)
{
    for (const QByteArray& part : parts)
        TestTree::makeFolder(path += '/' + part);
}

// An item the user already had in the archive, under a name the tidy wants.
void occupy(Random& random, const QByteArray& path, int id)
{
    const QByteArray marker = "#placed:" + QByteArray::number(id) + '#';
    const int kind = pick(random, 0, 9);
    if (kind < 7)
        TestTree::writeFile(path, marker);
    else if (kind < 9 && TestTree::makeFolder(path))
        TestTree::writeFile(path + "/inside", marker);
    else
        TestTree::makeSymlink(marker, path);
}

} // namespace

void prepopulateArchive(Random& random, TidyRunner& runner, const QByteArray& root,
                        const QByteArray& month, int& nextId)
{
    const QByteArray desktop = root + "/Desktop";
    const QByteArray archive = archiveRoot(desktop);
    const int shape = pick(random, 0, 99);
    if (shape < 8) {
        TestTree::writeFile(archive, "#placed:archive that is a file#");
        return;
    }
    if (shape < 14) {
        // The archive, or its month folder, is a link to a folder elsewhere that already has
        // category folders: nothing may be filed into it or swept out of it.
        makePath(root, {"Elsewhere", month, "Images"});
        makePath(root, {"Elsewhere", month, "Other"});
        TestTree::writeFile(root + "/Elsewhere/" + month + "/Other/keep", "#placed:elsewhere#");
        if (chance(random, 0.5)) {
            TestTree::makeSymlink(root + "/Elsewhere", archive);
        } else {
            TestTree::makeFolder(archive);
            TestTree::makeSymlink(root + "/Elsewhere/" + month, archive + '/' + month);
        }
        return;
    }
    if (shape < 30)
        return;
    for (const TidyCandidate& candidate :
         runner.scan(desktop).value_or(std::vector<TidyCandidate>{})) {
        if (!chance(random, 0.35))
            continue;
        const QByteArray category = runner.categoryOf(candidate).toUtf8();
        makePath(desktop, {TidyKeys::archiveFolderName, month, category});
        const QByteArray folder = archive + '/' + month + '/' + category;
        occupy(random, folder + '/' + candidate.name, nextId++);
        if (chance(random, 0.4)) {
            const QByteArray ext = FileName::extension(candidate.name);
            occupy(random,
                   folder + '/' + FileName::withoutExtension(candidate.name) + " 2" +
                       (ext.isEmpty() ? QByteArray() : '.' + ext),
                   nextId++);
        }
    }
    if (chance(random, 0.5)) {
        makePath(desktop, {TidyKeys::archiveFolderName, "2001-01", "Other"});
        TestTree::writeFile(archive + "/2001-01/Other/old", "#placed:old month#");
    }
}

} // namespace tavlin::RandomDesktop
