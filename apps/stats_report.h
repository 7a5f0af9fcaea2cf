// The per-node figures of a render, gathered frame by frame and reported as
// a table on standard error and, on request, as JSON for scripts.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "host/graph/evaluation_statistics.h"

namespace app {

class StatsReport {
  public:
    // Adds one frame's figures (from EvaluationStatistics::take) and the
    // frame's render time.
    void addFrame(int frame, double seconds,
                  const std::vector<std::pair<const host::Node *, host::NodeFigures>> &figures);

    // Per node of every graph, per kind, totals and frames.
    std::string table() const;
    std::string json() const;
    // Writes json() whole or not at all; throws host::Error naming the file.
    void writeJson(const std::filesystem::path &file) const;

  private:
    struct NodeRow {
        std::string graph, node, kind;
        host::NodeFigures figures;
    };
    struct FrameRow {
        int frame = 0;
        double seconds = 0.0;
        host::NodeFigures figures;
    };
    std::vector<NodeRow> nodes_;
    std::vector<FrameRow> frames_;
};

}  // namespace app
