#include "app/toolbar_layout.h"

#include "app/command_ids.h"

namespace fennimar::app {
namespace {

constexpr ToolbarSlot kSeparator{};

}  // namespace

const ToolbarLayout& ToolbarWithoutFile() {
  static constexpr ToolbarLayout kLayout{{{kIdSelectFile, 1},
                                          kSeparator,
                                          kSeparator,
                                          kSeparator,
                                          kSeparator,
                                          {kIdDefaults, 6},
                                          kSeparator,
                                          {kIdHelp, 7},
                                          {kIdAbout, 8}}};
  return kLayout;
}

const ToolbarLayout& ToolbarWithFile() {
  static constexpr ToolbarLayout kLayout{{{kIdSelectFile, 1},
                                          kSeparator,
                                          {kIdSplit, 3},
                                          {kIdMerge, 4},
                                          kSeparator,
                                          {kIdDefaults, 6},
                                          kSeparator,
                                          {kIdHelp, 7},
                                          {kIdAbout, 8}}};
  return kLayout;
}

}  // namespace fennimar::app
