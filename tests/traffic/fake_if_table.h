#pragma once

#include "traffic/if_table.h"

// An interface table the test sets row by row; fail makes the next reads fail.
class FakeIfTable : public tarvo::InterfaceTableSource {
public:
    std::vector<tarvo::InterfaceRow> rows;
    bool fail = false;
    int reads = 0;

    bool read(std::vector<tarvo::InterfaceRow>& out) override {
        ++reads;
        if (fail) {
            out.clear();
            return false;
        }
        out = rows;
        return true;
    }

    void set(const std::string& name, unsigned long long in, unsigned long long out) {
        for (auto& row : rows)
            if (row.name == name) {
                row.inOctets = in;
                row.outOctets = out;
                return;
            }
        rows.push_back({name, name, in, out});
    }
    // A described link: its ifindex, kind, device and default route.
    tarvo::InterfaceRow& link(const std::string& name, unsigned long long in,
                              unsigned long long out, std::uint32_t ifindex,
                              tarvo::LinkKind kind = tarvo::LinkKind::Plain, bool device = true,
                              bool route = false) {
        set(name, in, out);
        for (auto& row : rows)
            if (row.name == name) {
                row.ifindex = ifindex;
                row.kind = kind;
                row.hasDevice = device;
                row.defaultRoute = route;
                return row;
            }
        return rows.back();
    }
    void remove(const std::string& name) {
        std::erase_if(rows, [&](const tarvo::InterfaceRow& r) { return r.name == name; });
    }
};
