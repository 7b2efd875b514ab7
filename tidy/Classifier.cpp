#include "tidy/Classifier.h"

#include "tidy/FileName.h"

namespace tavlin {

namespace {

bool isScreenCapture(const QByteArray& name)
{
    // Canonically equivalent spellings compare equal, so compare composed forms.
    const QString text = QString::fromUtf8(name).normalized(QString::NormalizationForm_C);
    return text.startsWith(QStringLiteral("Screenshot")) ||
           text.startsWith(QStringLiteral("Screen Shot")) ||
           text.startsWith(QStringLiteral("Screen Recording"));
}

} // namespace

QString categoryFor(const QByteArray& name, const ItemValues& values,
                    const std::optional<TypeGroups>& contentType)
{
    if (isScreenCapture(name))
        return Category::screenshots;
    if (values.isDirectory.value_or(false) && !values.isPackage.value_or(false))
        return Category::folders;
    if (!contentType)
        return Category::other;
    const TypeGroups type = *contentType;
    if (type & TypeGroup::Image)
        return Category::images;
    if (type & TypeGroup::Movie)
        return Category::videos;
    if (type & TypeGroup::Audio)
        return Category::audio;
    if (type & TypeGroup::Pdf)
        return Category::pdfs;
    if (type & (TypeGroup::Archive | TypeGroup::DiskImage) || FileName::extension(name) == "pkg")
        return Category::archives;
    if (type & (TypeGroup::SourceCode | TypeGroup::Script | TypeGroup::Json))
        return Category::code;
    if (type & TypeGroup::Application)
        return Category::apps;
    if (type & (TypeGroup::Text | TypeGroup::Presentation | TypeGroup::Spreadsheet |
                TypeGroup::CompositeContent))
        return Category::documents;
    return Category::other;
}

} // namespace tavlin
