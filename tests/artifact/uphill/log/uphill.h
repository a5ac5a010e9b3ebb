// An include running uphill, which the layering check must refuse.
#include "engine/speech_engine.h"
