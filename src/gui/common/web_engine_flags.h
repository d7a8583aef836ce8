// How the window's browser panes share Chromium's processes. Called before
// the application object exists: Qt WebEngine reads the flags once.
#pragma once

namespace kaplo::gui {

// Every pane shows pages through the one default profile; with one renderer
// process per site instead of one per pane, panes on the same site (all the
// empty ones too) share a renderer. The flags are added to what
// QTWEBENGINE_CHROMIUM_FLAGS already holds.
void ShareRendererProcesses();

}  // namespace kaplo::gui
