#include "platform/linux/DialogFolderChooser.h"

#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

namespace tavlin {

std::optional<QByteArray> DialogFolderChooser::chooseFolder(const QString& message,
                                                            const QString& acceptLabel,
                                                            const QByteArray& startFolder)
{
    QFileDialog dialog;
    // Qt's own dialog, so that the whole message can be shown inside it; a portal dialog
    // would only have room for it in the title.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setWindowTitle(message);
    dialog.setLabelText(QFileDialog::Accept, acceptLabel);
    if (!startFolder.isEmpty())
        dialog.setDirectory(QFile::decodeName(startFolder));

    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* text = new QLabel(message, &dialog);
        text->setWordWrap(true);
        text->setTextFormat(Qt::PlainText);
        grid->addWidget(text, grid->rowCount(), 0, 1, grid->columnCount());
    }

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    return QFile::encodeName(chosen.first());
}

} // namespace tavlin
