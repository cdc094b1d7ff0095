// Owners for the lilv objects a test creates, each freed by lilv's own function when the
// owner goes. Objects that lilv hands out without ownership (plug-ins, ports, scale points
// inside a collection) are used by plain pointer.
//
// Threading: as lilv: one world per thread.
#pragma once

#include <lilv/lilv.h>

#include <memory>

namespace lv2test {

template <typename T, void (*Free)(T*)>
struct LilvFree {
  void operator()(T* object) const { Free(object); }
};

using WorldOwner = std::unique_ptr<LilvWorld, LilvFree<LilvWorld, lilv_world_free>>;
using NodeOwner = std::unique_ptr<LilvNode, LilvFree<LilvNode, lilv_node_free>>;
using NodesOwner = std::unique_ptr<LilvNodes, LilvFree<LilvNodes, lilv_nodes_free>>;
using StateOwner = std::unique_ptr<LilvState, LilvFree<LilvState, lilv_state_free>>;
using ScalePointsOwner =
    std::unique_ptr<LilvScalePoints, LilvFree<LilvScalePoints, lilv_scale_points_free>>;
using UIsOwner = std::unique_ptr<LilvUIs, LilvFree<LilvUIs, lilv_uis_free>>;

// Texts lilv allocates (file paths parsed from URIs).
struct LilvFreeText {
  void operator()(char* text) const { lilv_free(text); }
};
using TextOwner = std::unique_ptr<char, LilvFreeText>;

}  // namespace lv2test
