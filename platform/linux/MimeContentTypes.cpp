#include "platform/linux/MimeContentTypes.h"

#include <QFile>
#include <QMutexLocker>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavlin {

namespace {

using G = TypeGroup;

// Enough for the magic rules that matter (ISO 9660 puts its signature near 32 KB, but an
// .iso is recognised by name long before content).
constexpr qsizetype sniffSize = 16 * 1024;

constexpr TypeGroups mediaGroups = TypeGroups(G::Image) | G::Movie | G::Audio;
// Families that name what a file is for; the container format it happens to use (Office
// documents are zip files) does not make it an archive as well.
constexpr TypeGroups contentGroups =
    mediaGroups | G::Pdf | G::Presentation | G::Spreadsheet | G::CompositeContent | G::Application;

struct NamedGroups
{
    const char* name;
    TypeGroups groups;
};

// Media types whose names do not start with image/, video/ or audio/.
constexpr NamedGroups mediaExceptions[] = {
    {"application/vnd.ms-asf", G::Movie}, {"application/vnd.rn-realmedia", G::Movie},
    {"application/x-matroska", G::Movie}, {"application/mxf", G::Movie},
    {"application/x-shorten", G::Audio},  {"application/vnd.adobe.flash.movie", G::Movie},
};

// Exact names, canonical ones of this database plus the spellings of older and newer releases.
const NamedGroups exactGroups[] = {
    {"text/plain", G::Text},
    {"application/pdf", G::Pdf},
    {"application/json", G::Json},
    // Archives, compressors and installer packages.
    {"application/zip", G::Archive},
    {"application/x-tar", G::Archive},
    {"application/x-ustar", G::Archive},
    {"application/gzip", G::Archive},
    {"application/x-bzip", G::Archive},
    {"application/x-bzip2", G::Archive},
    {"application/x-xz", G::Archive},
    {"application/zstd", G::Archive},
    {"application/x-lzma", G::Archive},
    {"application/x-lz4", G::Archive},
    {"application/x-lzip", G::Archive},
    {"application/x-lzop", G::Archive},
    {"application/x-lrzip", G::Archive},
    {"application/x-compress", G::Archive},
    {"application/x-7z-compressed", G::Archive},
    {"application/vnd.rar", G::Archive},
    {"application/x-rar", G::Archive},
    {"application/x-cpio", G::Archive},
    {"application/x-sv4cpio", G::Archive},
    {"application/x-sv4crc", G::Archive},
    {"application/x-bcpio", G::Archive},
    {"application/x-archive", G::Archive},
    {"application/vnd.ms-cab-compressed", G::Archive},
    {"application/x-xar", G::Archive},
    {"application/x-arj", G::Archive},
    {"application/x-lha", G::Archive},
    {"application/x-lhz", G::Archive},
    {"application/x-ace", G::Archive},
    {"application/x-alz", G::Archive},
    {"application/x-stuffit", G::Archive},
    {"application/x-zoo", G::Archive},
    {"application/x-arc", G::Archive},
    {"application/x-shar", G::Archive},
    {"application/x-dar", G::Archive},
    {"application/x-rpm", G::Archive},
    {"application/vnd.debian.binary-package", G::Archive},
    {"application/vnd.flatpak", G::Archive},
    {"application/vnd.snap", G::Archive},
    {"application/x-msi", G::Archive},
    {"application/x-ms-win-installer", G::Archive}, // added by some file managers' databases
    {"application/x-java-archive", G::Archive},
    {"application/vnd.android.package-archive", G::Archive},
    {"application/x-xpinstall", G::Archive},
    // Disk images.
    {"application/x-cd-image", G::DiskImage},
    {"application/x-iso9660-image", G::DiskImage},
    {"application/x-raw-disk-image", G::DiskImage},
    {"application/x-raw-disk-image-xz-compressed", G::DiskImage},
    {"application/x-apple-diskimage", G::DiskImage},
    {"application/vnd.efi.img", G::DiskImage},
    {"application/vnd.efi.iso", G::DiskImage},
    {"application/x-qemu-disk", G::DiskImage},
    {"application/x-qed-disk", G::DiskImage},
    {"application/x-vdi-disk", G::DiskImage},
    {"application/x-vhd-disk", G::DiskImage},
    {"application/x-vhdx-disk", G::DiskImage},
    {"application/x-vmdk-disk", G::DiskImage},
    {"application/x-compressed-iso", G::DiskImage},
    {"application/x-discjuggler-cd-image", G::DiskImage},
    {"application/x-ms-wim", G::DiskImage},
    // Programs. Only ever taken from a type's own names: scripts and JSON descend from
    // application/x-executable here.
    {"application/x-executable", G::Application},
    {"application/x-pie-executable", G::Application},
    {"application/x-desktop", G::Application},
    {"application/vnd.appimage", G::Application},
    {"application/x-iso9660-appimage", G::Application},
    // Scripts; JavaScript and PHP are program sources as well.
    {"application/x-shellscript", G::Script},
    {"text/x-sh", G::Script},
    {"application/x-zsh", G::Script},
    {"text/x-python", G::Script},
    {"text/x-python3", G::Script},
    {"application/x-perl", G::Script},
    {"text/x-perl", G::Script},
    {"application/x-ruby", G::Script},
    {"text/x-lua", G::Script},
    {"text/tcl", G::Script},
    {"text/x-tcl", G::Script},
    {"application/x-awk", G::Script},
    {"text/vbscript", G::Script},
    {"application/x-vbscript", G::Script},
    {"application/x-powershell", G::Script},
    {"application/javascript", TypeGroups(G::Script) | G::SourceCode},
    {"text/javascript", TypeGroups(G::Script) | G::SourceCode},
    {"application/ecmascript", TypeGroups(G::Script) | G::SourceCode},
    {"application/x-php", TypeGroups(G::Script) | G::SourceCode},
    // Program sources; C's descendants (Java, C#, Vala, Objective-C, D, ...) follow from
    // text/x-csrc.
    {"text/x-csrc", G::SourceCode},
    {"text/x-chdr", G::SourceCode},
    {"text/x-c++src", G::SourceCode},
    {"text/x-c++hdr", G::SourceCode},
    {"text/x-objcsrc", G::SourceCode},
    {"text/x-objc++src", G::SourceCode},
    {"text/x-java", G::SourceCode},
    {"text/x-csharp", G::SourceCode},
    {"text/x-go", G::SourceCode},
    {"text/rust", G::SourceCode},
    {"text/x-rust", G::SourceCode},
    {"text/x-swift", G::SourceCode},
    {"text/x-kotlin", G::SourceCode},
    {"text/x-scala", G::SourceCode},
    {"text/x-haskell", G::SourceCode},
    {"text/x-literate-haskell", G::SourceCode},
    {"text/x-pascal", G::SourceCode},
    {"text/x-fortran", G::SourceCode},
    {"text/x-dsrc", G::SourceCode},
    {"text/x-vala", G::SourceCode},
    {"text/x-genie", G::SourceCode},
    {"text/x-adasrc", G::SourceCode},
    {"text/x-cobol", G::SourceCode},
    {"text/x-erlang", G::SourceCode},
    {"text/x-elixir", G::SourceCode},
    {"text/x-ocaml", G::SourceCode},
    {"text/x-common-lisp", G::SourceCode},
    {"text/x-emacs-lisp", G::SourceCode},
    {"text/x-scheme", G::SourceCode},
    {"text/x-dart", G::SourceCode},
    {"text/x-crystal", G::SourceCode},
    {"text/x-eiffel", G::SourceCode},
    {"text/x-groovy", G::SourceCode},
    {"text/x-matlab", G::SourceCode},
    {"text/x-verilog", G::SourceCode},
    {"text/x-vhdl", G::SourceCode},
    {"text/x-idl", G::SourceCode},
    {"text/x-qml", G::SourceCode},
    {"text/x-moc", G::SourceCode},
    {"application/x-gdscript", G::SourceCode},
    {"application/vnd.coffeescript", G::SourceCode},
    {"application/typescript", G::SourceCode},
    {"application/x-typescript", G::SourceCode},
    {"text/x-typescript", G::SourceCode},
    {"application/sql", G::SourceCode},
    {"text/x-sql", G::SourceCode},
    // Documents: word processing, e-books and the like.
    {"application/msword", G::CompositeContent},
    {"application/vnd.ms-word", G::CompositeContent},
    {"application/vnd.ms-works", G::CompositeContent},
    {"application/rtf", G::CompositeContent},
    {"text/rtf", G::CompositeContent},
    {"application/epub+zip", G::CompositeContent},
    {"application/vnd.apple.pages", G::CompositeContent},
    {"application/vnd.stardivision.writer", G::CompositeContent},
    {"application/vnd.wordperfect", G::CompositeContent},
    {"application/vnd.lotus-wordpro", G::CompositeContent},
    {"application/x-abiword", G::CompositeContent},
    {"application/x-mswrite", G::CompositeContent},
    {"application/x-kword", G::CompositeContent},
    {"application/x-applix-word", G::CompositeContent},
    {"application/x-hwp", G::CompositeContent},
    {"application/vnd.ms-xpsdocument", G::CompositeContent},
    {"application/oxps", G::CompositeContent},
    {"application/vnd.visio", G::CompositeContent},
    {"application/x-mobipocket-ebook", G::CompositeContent},
    {"application/vnd.amazon.mobi8-ebook", G::CompositeContent},
    {"application/x-fictionbook+xml", G::CompositeContent},
    {"application/x-zip-compressed-fb2", G::CompositeContent},
    {"application/vnd.comicbook+zip", G::CompositeContent},
    {"application/vnd.comicbook-rar", G::CompositeContent},
    {"application/x-cb7", G::CompositeContent},
    {"application/x-cbt", G::CompositeContent},
    // Slides.
    {"application/vnd.ms-powerpoint", G::Presentation},
    {"application/vnd.apple.keynote", G::Presentation},
    {"application/vnd.stardivision.impress", G::Presentation},
    {"application/x-kpresenter", G::Presentation},
    // Sheets.
    {"application/vnd.ms-excel", G::Spreadsheet},
    {"application/vnd.apple.numbers", G::Spreadsheet},
    {"application/vnd.stardivision.calc", G::Spreadsheet},
    {"application/vnd.lotus-1-2-3", G::Spreadsheet},
    {"application/x-gnumeric", G::Spreadsheet},
    {"application/x-kspread", G::Spreadsheet},
    {"application/x-quattropro", G::Spreadsheet},
    {"application/x-applix-spreadsheet", G::Spreadsheet},
};

// Whole document families; the first matching prefix wins, so the narrower ones come first.
const NamedGroups prefixGroups[] = {
    {"application/vnd.oasis.opendocument.presentation", G::Presentation},
    {"application/vnd.oasis.opendocument.spreadsheet", G::Spreadsheet},
    {"application/vnd.oasis.opendocument.", G::CompositeContent},
    {"application/vnd.openxmlformats-officedocument.presentationml.", G::Presentation},
    {"application/vnd.openxmlformats-officedocument.spreadsheetml.", G::Spreadsheet},
    {"application/vnd.openxmlformats-officedocument.", G::CompositeContent},
    {"application/vnd.ms-powerpoint.", G::Presentation},
    {"application/vnd.ms-excel.", G::Spreadsheet},
    {"application/vnd.ms-word.", G::CompositeContent},
    {"application/vnd.ms-visio.", G::CompositeContent},
    {"application/vnd.sun.xml.impress", G::Presentation},
    {"application/vnd.sun.xml.calc", G::Spreadsheet},
    {"application/vnd.sun.xml.", G::CompositeContent},
    {"application/x-iwork-keynote", G::Presentation},
    {"application/x-iwork-numbers", G::Spreadsheet},
    {"application/x-iwork-pages", G::CompositeContent},
};

const QHash<QString, TypeGroups>& exactTable()
{
    static const QHash<QString, TypeGroups> table = [] {
        QHash<QString, TypeGroups> built;
        for (const NamedGroups& entry : exactGroups)
            built.insert(QString::fromLatin1(entry.name), entry.groups);
        return built;
    }();
    return table;
}

TypeGroups familiesOfName(const QString& name)
{
    const auto found = exactTable().constFind(name);
    if (found != exactTable().cend())
        return *found;
    for (const NamedGroups& entry : prefixGroups) {
        if (name.startsWith(QLatin1String(entry.name)))
            return entry.groups;
    }
    return {};
}

TypeGroups mediaOfName(const QString& name)
{
    if (name.startsWith(QLatin1String("image/")))
        return G::Image;
    if (name.startsWith(QLatin1String("video/")))
        return G::Movie;
    if (name.startsWith(QLatin1String("audio/")))
        return G::Audio;
    for (const NamedGroups& entry : mediaExceptions) {
        if (name == QLatin1String(entry.name))
            return entry.groups;
    }
    return {};
}

QByteArray baseName(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? path : path.mid(slash + 1);
}

enum class HeadResult { Read, NotRegularFile, Unreadable };

// Reads the start of a file. O_NONBLOCK: should a FIFO have taken the file's place, opening
// it must not wait for a writer.
HeadResult readHead(const QByteArray& path, bool followLink, QByteArray& head)
{
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (followLink ? 0 : O_NOFOLLOW);
    const int fd = ::open(path.constData(), flags);
    if (fd < 0)
        return errno == ELOOP ? HeadResult::NotRegularFile : HeadResult::Unreadable;
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return HeadResult::NotRegularFile;
    }
    head.resize(sniffSize);
    qsizetype filled = 0;
    while (filled < sniffSize) {
        const ssize_t got =
            ::read(fd, head.data() + filled, static_cast<size_t>(sniffSize - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += got;
    }
    ::close(fd);
    head.truncate(filled);
    return HeadResult::Read;
}

} // namespace

std::optional<TypeGroups> MimeContentTypes::groupsOf(const QByteArray& path,
                                                     const ItemStat& stat) const
{
    if (path.isEmpty() || path.contains('\0'))
        return std::nullopt;
    switch (stat.kind) {
    case ItemKind::Directory:
        return TypeGroups(); // inode/directory belongs to no family
    case ItemKind::File:
        return groupsOfFile(path, false);
    case ItemKind::Symlink: {
        // The link itself is never moved through; its target only tells what it points at.
        struct stat target = {};
        if (::stat(path.constData(), &target) != 0)
            return std::nullopt;
        if (S_ISDIR(target.st_mode))
            return TypeGroups();
        if (!S_ISREG(target.st_mode))
            return std::nullopt;
        return groupsOfFile(path, true);
    }
    case ItemKind::Other:
        break;
    }
    return std::nullopt; // sockets, FIFOs and devices are never opened
}

TypeGroups MimeContentTypes::groupsOfTypeName(const QString& mimeTypeName) const
{
    const QMimeType type = m_database.mimeTypeForName(mimeTypeName);
    return type.isValid() ? groupsOfType(type) : TypeGroups();
}

std::optional<TypeGroups> MimeContentTypes::groupsOfFile(const QByteArray& path,
                                                         bool followLink) const
{
    const QString name = QFile::decodeName(baseName(path));
    const QList<QMimeType> byName = typesForName(name);
    if (byName.size() == 1)
        return groupsOfType(byName.first());

    // No name match, or several (".ts": Qt translations or MPEG video): the content decides.
    QByteArray head;
    switch (readHead(path, followLink, head)) {
    case HeadResult::NotRegularFile:
        return std::nullopt;
    case HeadResult::Unreadable:
        if (byName.isEmpty())
            return TypeGroups(); // a file whose type nobody can tell
        return groupsOfType(byName.first());
    case HeadResult::Read:
        break;
    }
    const QMimeType type = byName.isEmpty() ? m_database.mimeTypeForData(head)
                                            : m_database.mimeTypeForFileNameAndData(name, head);
    return groupsOfType(type);
}

QList<QMimeType> MimeContentTypes::typesForName(const QString& name) const
{
    // Almost every pattern is "*.ext", whose match depends only on the text from the name's
    // first dot on, so names sharing that text share the answer. The few patterns that look at
    // the whole name (Makefile, README*, *~, *.[1-9] …) are asked about every time.
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot < 0 || matchesWholeNamePattern(name))
        return m_database.mimeTypesForFileName(name);
    const QString suffix = name.mid(dot);
    if (const auto cached = m_typesBySuffix.constFind(suffix); cached != m_typesBySuffix.cend())
        return *cached;
    QList<QMimeType> types = m_database.mimeTypesForFileName(name);
    m_typesBySuffix.insert(suffix, types);
    return types;
}

bool MimeContentTypes::matchesWholeNamePattern(const QString& name) const
{
    if (!m_wholeNamePatterns) {
        // The patterns come from the database's own glob lists: asking every type for its
        // patterns would load the whole database's details.
        static const QRegularExpression plainSuffix(QStringLiteral("^\\*\\.[^*?\\[]*$"));
        QStringList alternatives;
        const QStringList lists = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                            QStringLiteral("mime/globs2"));
        for (const QString& list : lists) {
            QFile file(list);
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
                continue;
            while (!file.atEnd()) {
                // weight:type:pattern[:flags]
                const QList<QByteArray> fields = file.readLine().trimmed().split(':');
                if (fields.size() < 3 || fields[0].startsWith('#'))
                    continue;
                const QString pattern = QString::fromUtf8(fields[2]);
                if (!plainSuffix.match(pattern).hasMatch())
                    alternatives.append(QRegularExpression::wildcardToRegularExpression(
                        pattern, QRegularExpression::UnanchoredWildcardConversion));
            }
        }
        alternatives.removeDuplicates();
        // Without any list nothing can be shared safely: every name is asked about.
        const QString joined =
            lists.isEmpty() ? QStringLiteral(".*") : alternatives.join(QLatin1Char('|'));
        m_wholeNamePatterns.emplace(QStringLiteral("^(?:") + joined + QStringLiteral(")$"),
                                    QRegularExpression::CaseInsensitiveOption);
        m_wholeNamePatterns->optimize();
    }
    return m_wholeNamePatterns->match(name).hasMatch();
}

TypeGroups MimeContentTypes::groupsOfType(const QMimeType& type) const
{
    const QString name = type.name();
    {
        const QMutexLocker lock(&m_cacheMutex);
        const auto cached = m_cache.constFind(name);
        if (cached != m_cache.cend())
            return *cached;
    }

    const QStringList ancestors = type.allAncestors();
    TypeGroups groups = familiesOfName(name);
    const QStringList aliases = type.aliases();
    for (const QString& alias : aliases)
        groups |= familiesOfName(alias);
    TypeGroups inherited;
    for (const QString& ancestor : ancestors)
        inherited |= familiesOfName(ancestor);
    groups |= inherited & ~TypeGroups(G::Application);

    // One medium only, the type's own before any ancestor's: an .m4r ringtone descends from
    // MP4 video but is audio.
    TypeGroups media = mediaOfName(name);
    for (qsizetype i = 0; !media && i < ancestors.size(); ++i)
        media = mediaOfName(ancestors.at(i));
    groups |= media;

    // JSON descends from JavaScript here, yet it is data, not a program.
    if (groups & G::Json)
        groups &= ~(TypeGroups(G::Script) | G::SourceCode);
    // An AppImage is a program, whatever file system it carries.
    if (groups & G::Application)
        groups &= ~(TypeGroups(G::Archive) | G::DiskImage);
    if (groups & contentGroups)
        groups &= ~TypeGroups(G::Archive);

    const QMutexLocker lock(&m_cacheMutex);
    m_cache.insert(name, groups);
    return groups;
}

} // namespace tavlin
