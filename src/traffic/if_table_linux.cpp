#include "traffic/if_table_linux.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace tarvo {

namespace {
constexpr long kIffLoopback = 0x8;
}

void parseProcNetDev(std::string_view text, std::vector<InterfaceRow>& rows,
                     const std::function<bool(const std::string&)>& isLoopback) {
    rows.clear();
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!eol)
            eol = end;
        const char* colon = static_cast<const char*>(std::memchr(p, ':', size_t(eol - p)));
        // Header lines have no colon before their first '|'.
        const char* bar = static_cast<const char*>(std::memchr(p, '|', size_t(eol - p)));
        if (colon && !bar) {
            const char* nameBegin = p;
            while (nameBegin < colon && (*nameBegin == ' ' || *nameBegin == '\t'))
                ++nameBegin;
            InterfaceRow row;
            row.name.assign(nameBegin, colon);
            unsigned long long fields[16];
            int count = 0;
            const char* q = colon + 1;
            bool ok = !row.name.empty();
            while (ok && count < 16) {
                while (q < eol && (*q == ' ' || *q == '\t'))
                    ++q;
                if (q >= eol)
                    break;
                auto res = std::from_chars(q, eol, fields[count]);
                if (res.ec != std::errc() || (res.ptr < eol && *res.ptr != ' ' && *res.ptr != '\t'))
                    ok = false;
                else {
                    q = res.ptr;
                    ++count;
                }
            }
            if (ok && count == 16) {
                row.inOctets = fields[0];
                row.outOctets = fields[8];
                row.description = isLoopback(row.name) ? "Loopback " + row.name : row.name;
                rows.push_back(std::move(row));
            }
        }
        p = eol + 1;
    }
}

long parseInterfaceFlags(const std::string& text) {
    char* endp = nullptr;
    const long flags = std::strtol(text.c_str(), &endp, 0);
    return endp == text.c_str() ? -1 : flags;
}

bool isInterfaceName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

ProcNetDevSource::ProcNetDevSource(std::string procNetDev, std::string sysClassNet)
    : procNetDev_(std::move(procNetDev)), sysClassNet_(std::move(sysClassNet)) {}

bool ProcNetDevSource::isLoopback(const std::string& name) {
    if (auto it = loopback_.find(name); it != loopback_.end())
        return it->second;
    std::string text;
    const long flags =
        isInterfaceName(name) && KernelFile(sysClassNet_ + "/" + name + "/flags", 64).read(text)
            ? parseInterfaceFlags(text)
            : -1;
    if (flags < 0)
        return false; // unknown for now; asked again at the next reading
    const bool loop = (flags & kIffLoopback) != 0;
    loopback_.emplace(name, loop);
    return loop;
}

bool ProcNetDevSource::read(std::vector<InterfaceRow>& rows) {
    if (!procNetDev_.read(text_)) {
        rows.clear();
        return false;
    }
    parseProcNetDev(text_, rows, [this](const std::string& n) { return isLoopback(n); });
    return true;
}

} // namespace tarvo
