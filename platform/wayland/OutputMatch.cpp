#include "platform/wayland/OutputMatch.h"

namespace tavlin {

qsizetype matchOutput(const QList<OutputIdentity>& outputs, const QString& screenName,
                      const QRect& screenGeometry)
{
    if (!screenName.isEmpty()) {
        for (qsizetype i = 0; i < outputs.size(); ++i) {
            if (outputs[i].name == screenName)
                return i;
        }
    }
    qsizetype found = -1;
    for (qsizetype i = 0; i < outputs.size(); ++i) {
        // A name that differs says it is another output, whatever its place.
        const bool otherName = !outputs[i].name.isEmpty() && !screenName.isEmpty();
        if (!otherName && !outputs[i].geometry.isNull() && outputs[i].geometry == screenGeometry) {
            if (found >= 0)
                return -1; // mirrored outputs: no telling which
            found = i;
        }
    }
    if (found < 0 && outputs.size() == 1 && outputs.first().name.isEmpty())
        return 0;
    return found;
}

} // namespace tavlin
