// The add-on's game-mode and single-player scripts.
#pragma once

#include "platform/text.h"

namespace tw::generator {

Lines coopCon();           // Coop.con (17 lines)
Lines gameTypesCoopCon();  // Gametypes\Coop.con (17 lines)
Lines singlePlayerCon();   // SinglePlayerAllied.con and SinglePlayerAxis.con (18 lines)
Lines botsCon();           // Singleplayer\Bots.con: written without a final line end
Lines skirmishCon();       // Singleplayer\Skirmish.con

} // namespace tw::generator
