#pragma once
// The state a user sees, as JSON: {"windows":[{"template":101,"title":...,"visible":true,
// "rect":[x,y,w,h],"controls":[{"id":...,"kind":...,"text":...,...}]}]}. Texts are UTF-8.

#include <string>
#include <vector>

#include "viewer/ui/window_states.h"

namespace pelmora::viewer {

std::string WindowDumpJson(const std::vector<qarvo::ui::WindowState>& windows);

}  // namespace pelmora::viewer
