// The VST 3 interface as a host sees it, part three: the edit controller (parameters, the
// host's component handler for edits), the connection point between separate component and
// controller objects, and the host application object handed to initialize. Same rules as
// Vst3AbiBase.hpp.
#pragma once

#include "formats/vst3/Vst3AbiProcessing.hpp"

namespace quovent::vst3 {

class IPlugView;
class IMessage; // only passed through: the connection point is never used here
using UnitID = int32;
using KnobMode = int32;
using TChar = char16;

inline constexpr UnitID kRootUnitId = 0;
inline constexpr ParamID kNoParamId = 0xFFFFFFFFu;

struct ParameterInfo {
    enum ParameterFlags : int32 {
        kNoFlags = 0,
        kCanAutomate = 1 << 0,
        kIsReadOnly = 1 << 1,
        kIsWrapAround = 1 << 2,
        kIsList = 1 << 3, // the steps are shown as a list of their strings
        kIsHidden = 1 << 4,
        kIsProgramChange = 1 << 15,
        kIsBypass = 1 << 16,
    };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32 stepCount; // 0: continuous; n: n + 1 discrete values
    ParamValue defaultNormalizedValue;
    UnitID unitId;
    int32 flags;
};

enum RestartFlags : int32 {
    kReloadComponent = 1 << 0,
    kIoChanged = 1 << 1,
    kParamValuesChanged = 1 << 2,
    kLatencyChanged = 1 << 3,
    kParamTitlesChanged = 1 << 4,
    kMidiCCAssignmentChanged = 1 << 5,
    kNoteExpressionChanged = 1 << 6,
    kIoTitlesChanged = 1 << 7,
};

enum KnobModes : int32 { kCircularMode = 0, kRelativCircularMode = 1, kLinearMode = 2 };

// The host's side of the controller: edits made in the plug-in's editor.
class IComponentHandler : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);

    virtual tresult QUOVENT_VST3_CALL beginEdit(ParamID id) = 0;
    virtual tresult QUOVENT_VST3_CALL performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult QUOVENT_VST3_CALL endEdit(ParamID id) = 0;
    virtual tresult QUOVENT_VST3_CALL restartComponent(int32 flags) = 0;

protected:
    ~IComponentHandler() = default;
};

class IEditController : public IPluginBase {
public:
    static constexpr Uid iid = makeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);

    virtual tresult QUOVENT_VST3_CALL setComponentState(IBStream* state) = 0;
    virtual tresult QUOVENT_VST3_CALL setState(IBStream* state) = 0;
    virtual tresult QUOVENT_VST3_CALL getState(IBStream* state) = 0;
    virtual int32 QUOVENT_VST3_CALL getParameterCount() = 0;
    virtual tresult QUOVENT_VST3_CALL getParameterInfo(int32 paramIndex, ParameterInfo* info) = 0;
    virtual tresult QUOVENT_VST3_CALL getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                                            String128 string) = 0;
    virtual tresult QUOVENT_VST3_CALL getParamValueByString(ParamID id, TChar* string,
                                                            ParamValue* valueNormalized) = 0;
    virtual ParamValue QUOVENT_VST3_CALL normalizedParamToPlain(ParamID id,
                                                                ParamValue valueNormalized) = 0;
    virtual ParamValue QUOVENT_VST3_CALL plainParamToNormalized(ParamID id,
                                                                ParamValue plainValue) = 0;
    virtual ParamValue QUOVENT_VST3_CALL getParamNormalized(ParamID id) = 0;
    virtual tresult QUOVENT_VST3_CALL setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult QUOVENT_VST3_CALL setComponentHandler(IComponentHandler* handler) = 0;
    virtual IPlugView* QUOVENT_VST3_CALL createView(FIDString name) = 0;

protected:
    ~IEditController() = default;
};

class IEditController2 : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038);

    virtual tresult QUOVENT_VST3_CALL setKnobMode(KnobMode mode) = 0;
    virtual tresult QUOVENT_VST3_CALL openHelp(TBool onlyCheck) = 0;
    virtual tresult QUOVENT_VST3_CALL openAboutBox(TBool onlyCheck) = 0;

protected:
    ~IEditController2() = default;
};

class IConnectionPoint : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);

    virtual tresult QUOVENT_VST3_CALL connect(IConnectionPoint* other) = 0;
    virtual tresult QUOVENT_VST3_CALL disconnect(IConnectionPoint* other) = 0;
    virtual tresult QUOVENT_VST3_CALL notify(IMessage* message) = 0;

protected:
    ~IConnectionPoint() = default;
};

// The context a host hands to initialize.
class IHostApplication : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);

    virtual tresult QUOVENT_VST3_CALL getName(String128 name) = 0;
    virtual tresult QUOVENT_VST3_CALL createInstance(TUID cid, TUID interfaceId, void** obj) = 0;

protected:
    ~IHostApplication() = default;
};

// ---- Layouts -------------------------------------------------------------------------------
static_assert(sizeof(ParameterInfo) == 792 && offsetof(ParameterInfo, title) == 4 &&
              offsetof(ParameterInfo, shortTitle) == 260 && offsetof(ParameterInfo, units) == 516 &&
              offsetof(ParameterInfo, stepCount) == 772 &&
              offsetof(ParameterInfo, defaultNormalizedValue) == 776 &&
              offsetof(ParameterInfo, unitId) == 784 && offsetof(ParameterInfo, flags) == 788);

} // namespace quovent::vst3
