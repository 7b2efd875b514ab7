#pragma once

#include "platform/FileManagerReveal.h"

#include <QByteArrayList>

namespace tavlin {

// Records what would have been shown in the file manager.
class FakeReveal final : public FileManagerReveal
{
public:
    QByteArrayList revealed;
    void reveal(const QByteArray& path) override { revealed.append(path); }
};

} // namespace tavlin
