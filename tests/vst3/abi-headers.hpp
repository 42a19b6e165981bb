// Every VST 3 interface header at once, for the freestanding layout check of each target.
#include "formats/vst3/Vst3AbiController.hpp"
#include "formats/vst3/Vst3AbiView.hpp"
