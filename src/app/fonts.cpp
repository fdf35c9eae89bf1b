#include "app/fonts.h"

#include <QFont>
#include <QStringList>

namespace tarvo {

void installFontSubstitutions() {
    // Naskh matches the compact Arabic of the original fonts; DejaVu Sans is the fallback.
    const QStringList arabic = {QStringLiteral("Noto Naskh Arabic"),
                                QStringLiteral("Noto Sans Arabic"), QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               QStringList{QStringLiteral("Liberation Sans")} + arabic);
    QFont::insertSubstitutions(QStringLiteral("Arabic Transparent"),
                               arabic + QStringList{QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               QStringList{QStringLiteral("Liberation Sans")} + arabic);
}

} // namespace tarvo
