#include "PlayerIni.h"

std::unique_ptr<TPlayerIni> PlayerIni;
