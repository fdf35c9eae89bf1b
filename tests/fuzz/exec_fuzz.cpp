// Any text as an Exec value: the arguments split from it, each quoted as an Exec value must
// hold it, split back into the same arguments.
#include "fuzz_support.h"
#include "system/desktop_entry.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<QStringList> arguments = tarvo::splitExec(fuzz::text(data, size));
    if (!arguments)
        return 0;
    QStringList quoted;
    for (const QString& argument : *arguments)
        quoted.append(tarvo::quoteExecArgument(argument));
    const std::optional<QStringList> back = tarvo::splitExec(quoted.join(u' '));
    fuzz::require(back && *back == *arguments, "quoted arguments split back unchanged");
    return 0;
}
