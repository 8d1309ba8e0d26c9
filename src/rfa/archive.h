// Packing a folder into an archive and extracting an archive into a folder.
#pragma once

#include "rfa/extractor.h"
#include "rfa/writer.h"
