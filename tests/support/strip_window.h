#pragma once

#include "app/fakes.h"
#include "app/frm_main.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The strip over fakes, as the window tests drive it: its services are the fakes' (a test
// may change them first), its end routine counts instead of ending the program.
struct StripWindow {
    FakeServices fake;
    std::unique_ptr<tarvo::frmMain> w;
    int ended = 0;
    // Keeps the program's own end routine (the event loop ends) instead of counting.
    bool ownEndRoutine = false;

    // With the totals file a previous run left, unless none is asked for.
    explicit StripWindow(const char* totals = "1024**2048\r\n") {
        if (totals)
            writeFixture(fake.dir, "file1.trv", totals);
    }
    tarvo::frmMain& make(const std::function<void(tarvo::Services&)>& adjust = {}) {
        tarvo::Services services = fake.services();
        if (adjust)
            adjust(services);
        w = std::make_unique<tarvo::frmMain>(services);
        if (!ownEndRoutine)
            w->setEndProgram([this] { ++ended; });
        return *w;
    }
    tarvo::frmMain& loaded(const std::function<void(tarvo::Services&)>& adjust = {}) {
        make(adjust);
        EXPECT_TRUE(w->Form_Load());
        return *w;
    }
    QByteArray file() const { return readAll(fake.dir.filePath("file1.trv")); }
};
