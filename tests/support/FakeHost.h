#pragma once

#include <utility>
#include <vector>

#include "core/GatewayHost.h"
#include "support/RecordingBoxes.h"

namespace testing_support {

// The main window as a dialog sees it: whether the gateway runs (as the test says), and the
// commands posted, each with the number of boxes shown before it.
struct FakeHost final : GatewayHost {
    bool IsGatewayRunning(int) const override { return running; }
    void PostCommand(int id) override { posted.push_back({id, boxes ? boxes->boxes.size() : 0}); }
    ActivityLog* Log() const override { return log; }
    bool running = false;
    std::vector<std::pair<int, std::size_t>> posted;
    RecordingBoxes* boxes = nullptr;
    ActivityLog* log = nullptr;
};

}  // namespace testing_support
