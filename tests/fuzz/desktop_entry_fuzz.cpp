// Any bytes as a desktop entry or mimeapps.list: the groups read, and every value read is
// written back by the escaper in a form that reads as the same value.
#include "fuzz_support.h"
#include "system/desktop_entry.h"

#include <QHash>

static void roundTrip(const QHash<QString, QString>& group) {
    for (auto it = group.cbegin(); it != group.cend(); ++it) {
        fuzz::require(!it.key().isEmpty(), "a key has a name");
        const QString file =
            QStringLiteral("[Desktop Entry]\nKey=") + tarvo::escapeDesktopValue(it.value()) + u'\n';
        const auto back = tarvo::parseDesktopEntry(file);
        fuzz::require(back && back->value(QStringLiteral("Key")) == it.value(),
                      "an escaped value reads back as itself");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = fuzz::text(data, size);
    if (const auto entry = tarvo::parseDesktopEntry(text))
        roundTrip(*entry);
    if (const auto defaults = tarvo::parseKeyFileGroup(text, u"Default Applications")) {
        roundTrip(*defaults);
        for (const QString& ids : *defaults)
            for (const QString& id : ids.split(u';', Qt::SkipEmptyParts))
                fuzz::require(!id.isEmpty(), "a handler list holds no empty ID");
    }
    return 0;
}
