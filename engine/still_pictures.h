// Pictures made while the engine is not playing: the seek of a paused or stopped player, the
// frame steps, the zoom changes and the re-renders for capture and the enlarged window. Each
// decodes and converts on the spot and leaves the play positions so that playing continues
// right after the picture shown, with the sound told to re-find its place.
//
// Thread contract: seekStill, showLastFrame, changeFrontZoom, changeRearZoom, renderLargeStills and
// renderZoomStills run on the UI thread while the player is not playing (the zoom and
// re-render operations check engineState themselves); stepForward and stepBack run on the
// engine thread (CmdStepForward, CmdStepBack) after the main window paused. None of them holds
// a picture lock while it repaints a window or sends a report. All do nothing while no engine
// runs.
#pragma once

namespace moksel {

struct EngineContext;

// Shows the first key frame at or after the position (tenths of a second).
void seekStill(int positionTenths);
// Shows the recording's last frame (the rear's picture of the same moment beside it).
void showLastFrame();
// Wheel delta: low 16 bits as a signed number; > 0 one step towards the view size, < 0 one
// step towards the large size, 0 only re-renders (after a colour or flip change).
void changeFrontZoom(int wheelDelta);
void changeRearZoom(int wheelDelta);
// Converts both cameras at 1280 x 720 into the large pictures; adopt 1 makes them the current
// pictures too. No repaint.
void renderLargeStills(int adopt);
// Converts both cameras at their views' size indexes. No repaint.
void renderZoomStills();

// `count` pictures on (back), as that many single steps would show, decoding only the last; the
// front stops before its last packet, the rear at its ends.
void stepForward(EngineContext& context, int count = 1);
void stepBack(EngineContext& context, int count = 1);

}  // namespace moksel
