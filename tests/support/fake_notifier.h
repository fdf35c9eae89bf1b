#pragma once

#include "history/notifier.h"

#include <QStringList>

#include <utility>
#include <vector>

class FakeNotifier : public tarvo::Notifier {
public:
    // false: the desktop has no notification service
    bool answers = true;
    std::vector<std::pair<QString, QString>> sent; // summary, body
    void notify(const QString& summary, const QString& body,
                std::function<void()> onAbsent) override {
        sent.emplace_back(summary, body);
        if (!answers)
            onAbsent();
    }
    QStringList bodies() const {
        QStringList all;
        for (const auto& one : sent)
            all << one.second;
        return all;
    }
};
