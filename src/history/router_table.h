#pragma once

#include "history/usage_source.h"
#include "router/router_reading.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <optional>
#include <vector>

namespace tarvo {

// What the history keeps of each home router beside its rows ("routers", "router_unknown"):
// the reading the next one is measured from, what is known of how it counts, its last
// failure, and the spans whose traffic cannot be known. A router's row number is its id in
// its rows.
class RouterTable {
public:
    // Writing prepares the statements that write; the lookup is prepared on first use, since
    // a file written before routers were read has no such table.
    bool prepare(const QSqlDatabase& db, bool writing);
    void release();

    int id(const QString& udn); // -1: none kept
    std::vector<RouterRecord> records();
    std::optional<RouterState> state(const QString& udn);
    std::vector<UsageGap> unknown(int router, const QDateTime& from, const QDateTime& to);

    // Within a transaction of the caller's. Saving a state ends the failure before it, and
    // gives the router's id, or -1.
    int save(const RouterState& state);
    bool addUnknown(int router, const std::vector<RouterSpan>& spans);
    // Only a router already kept: a failure alone never makes one.
    bool saveFailure(const RouterFailure& failure);

private:
    QSqlDatabase db_;
    std::optional<QSqlQuery> find_;
    std::optional<QSqlQuery> save_;
    std::optional<QSqlQuery> extendUnknown_;
    std::optional<QSqlQuery> addUnknown_;
    std::optional<QSqlQuery> failure_;
};

} // namespace tarvo
