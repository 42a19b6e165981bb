#include "formats/vst3/Vst3Factory.hpp"

#include "formats/vst3/Vst3Component.hpp"
#include "formats/vst3/Vst3PluginClass.hpp"
#include "formats/vst3/Vst3Strings.hpp"

#include <cstring>
#include <new>

namespace quovent {

using namespace vst3;

namespace {

// The classes of one module share these fields of their records.
template <typename Record> void fillCommon(Record& info) {
    std::memcpy(info.cid, vst3plugin::kClassId.bytes, sizeof(info.cid));
    info.cardinality = kManyInstances;
    Vst3Strings::copy(kVstAudioEffectClass, info.category);
}

template <typename Record> void fillExtended(Record& info) {
    fillCommon(info);
    info.classFlags = 0; // component and controller cannot run apart
    Vst3Strings::copy(vst3plugin::kName, info.name);
    Vst3Strings::copy(vst3plugin::kSubCategories, info.subCategories);
    Vst3Strings::copy(vst3plugin::kVendor, info.vendor);
    Vst3Strings::copy(vst3plugin::kVersion, info.version);
    Vst3Strings::copy(vst3plugin::kSdkVersion, info.sdkVersion);
}

} // namespace

Vst3Factory& Vst3Factory::instance() noexcept {
    static Vst3Factory factory;
    return factory;
}

tresult QUOVENT_VST3_CALL Vst3Factory::queryInterface(const TUID id, void** obj) {
    if (obj == nullptr) {
        return kInvalidArgument;
    }
    if (sameUid(id, FUnknown::iid) || sameUid(id, IPluginFactory::iid) ||
        sameUid(id, IPluginFactory2::iid) || sameUid(id, IPluginFactory3::iid)) {
        addRef();
        *obj = static_cast<IPluginFactory3*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 QUOVENT_VST3_CALL Vst3Factory::addRef() {
    return references_.fetch_add(1, std::memory_order_relaxed) + 1;
}

// Never below one: the library's own reference is never given away.
uint32 QUOVENT_VST3_CALL Vst3Factory::release() {
    uint32 count = references_.load(std::memory_order_relaxed);
    while (count > 1 &&
           !references_.compare_exchange_weak(count, count - 1, std::memory_order_relaxed)) {
    }
    return count > 1 ? count - 1 : 1;
}

tresult QUOVENT_VST3_CALL Vst3Factory::getFactoryInfo(PFactoryInfo* info) {
    if (info == nullptr) {
        return kInvalidArgument;
    }
    *info = PFactoryInfo{};
    Vst3Strings::copy(vst3plugin::kVendor, info->vendor);
    Vst3Strings::copy(vst3plugin::kUrl, info->url);
    Vst3Strings::copy(vst3plugin::kEmail, info->email);
    info->flags = PFactoryInfo::kUnicode;
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3Factory::getClassInfo(int32 index, PClassInfo* info) {
    if (info == nullptr || index != 0) {
        return kInvalidArgument;
    }
    *info = PClassInfo{};
    fillCommon(*info);
    Vst3Strings::copy(vst3plugin::kName, info->name);
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3Factory::getClassInfo2(int32 index, PClassInfo2* info) {
    if (info == nullptr || index != 0) {
        return kInvalidArgument;
    }
    *info = PClassInfo2{};
    fillExtended(*info);
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3Factory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
    if (info == nullptr || index != 0) {
        return kInvalidArgument;
    }
    *info = PClassInfoW{};
    fillExtended(*info);
    return kResultOk;
}

tresult QUOVENT_VST3_CALL Vst3Factory::createInstance(FIDString cid, FIDString interfaceId,
                                                      void** obj) {
    if (obj == nullptr) {
        return kInvalidArgument;
    }
    *obj = nullptr;
    if (interfaceId == nullptr || !sameUid(cid, vst3plugin::kClassId)) {
        return kNoInterface;
    }
    auto* component = new (std::nothrow) Vst3Component();
    if (component == nullptr) {
        return kOutOfMemory;
    }
    const tresult result = component->queryInterface(interfaceId, obj);
    component->release(); // the creator's reference: the answer holds its own
    return result;
}

// The context (the host's IHostApplication) is not needed by the factory itself.
tresult QUOVENT_VST3_CALL Vst3Factory::setHostContext(FUnknown* /*context*/) {
    return kResultOk;
}

} // namespace quovent
