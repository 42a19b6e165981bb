#include "formats/lv2/PluginUris.hpp"

namespace quovent::lv2 {

std::string PluginUris::outputGroup(int pair) {
    return std::string(kPlugin) + "#out" + std::to_string(pair);
}

std::string PluginUris::property(int index) {
    return std::string(kPlugin) + "#" + propertySymbol(index);
}

std::string PluginUris::propertySymbol(int index) {
    return index == kBankProperty ? std::string("bank")
                                  : "slot" + std::to_string(slotOfProperty(index) + 1);
}

std::string PluginUris::propertyLabel(int index) {
    return index == kBankProperty ? std::string("Groove bank")
                                  : "Slot " + std::to_string(slotOfProperty(index) + 1) + " sample";
}

} // namespace quovent::lv2
