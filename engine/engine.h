// The playback engine as the main window sees it: start and end, the command queue, the shared
// playback record and the operations it calls directly on its own thread.
//
//   startEngine(mainWindow)            UI thread, once; see engine_thread.h
//   pushEngineCommand(cmd, path)       any thread; see engine_commands.h
//   playbackState                      shared record; see playback_state.h for who writes what
//   applyColourAdjustment()            UI thread; colour_adjustment.h
//   changeFrontZoom / changeRearZoom   UI thread; still_pictures.h
//   renderLargeStills / renderZoomStills / seekStill   UI thread; still_pictures.h
//   resumeSoundAtNormalSpeed()         UI thread; clock_sound.h
//   pausePlaybackOutput()              UI thread, the engine's half of the pause step
//   pauseSound()                       UI thread, when a speed other than 1.0 is chosen
//   lockCameraPictures(camera)         painters; picture_lock.h
//   engine_messages.h                  the numbers of the engine's reports
#pragma once

#include "engine/clock_sound.h"
#include "engine/colour_adjustment.h"
#include "engine/engine_commands.h"
#include "engine/engine_messages.h"
#include "engine/engine_thread.h"
#include "engine/picture_lock.h"
#include "engine/playback_state.h"
#include "engine/still_pictures.h"
