#include "traffic/if_table_linux.h"

#include "traffic/counting_rule.h"
#include "traffic/route_table_linux.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace tarvo {

void parseProcNetDev(std::string_view text, std::vector<InterfaceRow>& rows) {
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
            bool ok = isInterfaceName(row.name);
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
                row.description = row.name;
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

bool isInterfaceName(std::string_view name) {
    // The kernel's own rule: shorter than IFNAMSIZ (16), no "/", ":" or white space.
    return !name.empty() && name.size() < 16 && name != "." && name != ".." &&
           name.find_first_of("/: \t\n\v\f\r") == std::string_view::npos;
}

ProcNetDevSource::ProcNetDevSource(std::string procNet, std::string sysClassNet, ReadAt readAt,
                                   std::unique_ptr<RouteChanges> routeChanges)
    : procNet_(std::move(procNet)), sysClassNet_(std::move(sysClassNet)), readAt_(readAt),
      procNetDev_(procNet_ + "/dev", 1 << 24, readAt), route_(procNet_ + "/route", 1 << 24, readAt),
      ipv6Route_(procNet_ + "/ipv6_route", 1 << 24, readAt),
      routeChanges_(std::move(routeChanges)) {}

const ProcNetDevSource::Known* ProcNetDevSource::findKnown(const std::string& name,
                                                           size_t hint) const {
    if (hint < known_.size() && known_[hint].name == name)
        return &known_[hint];
    for (const Known& k : known_)
        if (k.name == name)
            return &k;
    return nullptr;
}

bool ProcNetDevSource::pppEncapsulated() {
    // PPPoE and L2TP sessions list one line each after a header.
    for (const char* table : {"/pppoe", "/pppol2tp"}) {
        std::string text;
        if (KernelFile(procNet_ + table, 1 << 20, readAt_).read(text)) {
            const size_t firstEnd = text.find('\n');
            if (firstEnd != std::string::npos &&
                text.find_first_not_of(" \n", firstEnd) != std::string::npos)
                return true;
        }
    }
    return false;
}

void ProcNetDevSource::markDefaultRoutes(std::vector<InterfaceRow>& rows) {
    // Reading the route tables costs more than the rest of a tick; the kernel says when
    // they change.
    if (!routeChanges_ || routeChanges_->changedSinceLastAsk()) {
        defaultRouteNames_.clear();
        if (route_.read(text_))
            defaultRouteNames_ = ipv4DefaultRouteInterfaces(text_);
        if (ipv6Route_.read(text_))
            for (std::string& name : ipv6DefaultRouteInterfaces(text_))
                defaultRouteNames_.push_back(std::move(name));
    }
    for (InterfaceRow& row : rows)
        for (const std::string& name : defaultRouteNames_)
            if (row.name == name)
                row.defaultRoute = true;
}

bool ProcNetDevSource::read(std::vector<InterfaceRow>& rows) {
    if (!procNetDev_.read(text_)) {
        rows.clear();
        return false;
    }
    parseProcNetDev(text_, rows);
    next_.clear();
    for (size_t i = 0; i < rows.size(); ++i) {
        InterfaceRow& row = rows[i];
        const Known* known = findKnown(row.name, i);
        // Counters that fell may be a link made anew under the same name: look again.
        if (!known || !known->facts.known || row.inOctets < known->in ||
            row.outOctets < known->out) {
            ++descriptions_;
            LinkFacts facts = describeLink(sysClassNet_, row.name, readAt_);
            const bool encapsulated = facts.kind == LinkKind::Ppp && pppEncapsulated();
            next_.push_back({row.name, facts, row.inOctets, row.outOctets, encapsulated});
        } else {
            next_.push_back(
                {row.name, known->facts, row.inOctets, row.outOctets, known->encapsulated});
        }
        const LinkFacts& facts = next_.back().facts;
        row.encapsulated = next_.back().encapsulated;
        row.ifindex = facts.ifindex;
        row.kind = facts.kind;
        row.hasDevice = facts.hasDevice;
        if (facts.kind == LinkKind::Loopback)
            row.description = "Loopback " + row.name;
    }
    known_.swap(next_);
    if (defaultRoutesMatter(rows))
        markDefaultRoutes(rows);
    return true;
}

} // namespace tarvo
