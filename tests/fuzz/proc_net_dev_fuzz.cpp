// Any bytes as /proc/net/dev, handed out in reads as short as the first byte asks (as /proc
// does, a page or a line at a time): the whole text arrives, and every interface parsed
// names a word of it.
#include "fuzz_support.h"
#include "traffic/if_table_linux.h"
#include "traffic/kernel_file.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t chunk = std::size_t(data[0]) + 1;
    const std::string_view table(reinterpret_cast<const char*>(data) + 1, size - 1);
    const tarvo::ReadAt shortReads = [&](int, char* buffer, std::size_t room, long offset) -> long {
        if (offset < 0 || std::size_t(offset) > table.size())
            return -1;
        const std::size_t n = std::min({room, chunk, table.size() - std::size_t(offset)});
        std::memcpy(buffer, table.data() + offset, n);
        return long(n);
    };
    std::string read;
    const bool whole = tarvo::readWhole(shortReads, 0, read, 1 << 20);
    fuzz::require(whole == (table.size() <= (1u << 20)), "only the limit stops a read");
    if (!whole)
        return 0;
    fuzz::require(read == table, "short reads give the whole table");

    std::vector<tarvo::InterfaceRow> rows;
    tarvo::parseProcNetDev(read, rows);
    for (const tarvo::InterfaceRow& row : rows) {
        fuzz::require(tarvo::isInterfaceName(row.name), "a name is one an interface can have");
        fuzz::require(read.find(row.name + ':') != std::string::npos,
                      "a name comes from the table");
        fuzz::require(row.description == row.name, "a parsed row describes itself by name");
    }
    tarvo::parseInterfaceFlags(std::string(read.substr(0, 64)));
    return 0;
}
