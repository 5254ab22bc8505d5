#include "app/toolbar_layout.h"

#include "app/command_ids.h"

namespace fennimar::app {
namespace {

constexpr ToolbarSlot kSeparator{};

}  // namespace

const ToolbarLayout& ToolbarWithoutFile() {
  static constexpr ToolbarLayout kLayout{{{kIdSelectFile, kImageSelectFile},
                                          kSeparator,
                                          kSeparator,
                                          kSeparator,
                                          kSeparator,
                                          {kIdDefaults, kImageDefaults},
                                          kSeparator,
                                          {kIdHelp, kImageHelp},
                                          {kIdAbout, kImageAbout}}};
  return kLayout;
}

const ToolbarLayout& ToolbarWithFile() {
  static constexpr ToolbarLayout kLayout{{{kIdSelectFile, kImageSelectFile},
                                          kSeparator,
                                          {kIdSplit, kImageSplit},
                                          {kIdMerge, kImageMerge},
                                          kSeparator,
                                          {kIdDefaults, kImageDefaults},
                                          kSeparator,
                                          {kIdHelp, kImageHelp},
                                          {kIdAbout, kImageAbout}}};
  return kLayout;
}

}  // namespace fennimar::app
