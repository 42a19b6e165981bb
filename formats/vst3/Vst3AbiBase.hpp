// The VST 3 module interface as a host sees it, part one: the basic types, result codes,
// interface ids, FUnknown, the byte stream, IPluginBase and the class factory with its
// records. Written for this project from the published interface descriptions; only
// formats/vst3 and the test hosts include it.
//
// ABI rules that these declarations follow:
// - Interfaces are C++ classes with pure virtual functions only, no virtual destructor and no
//   overloads, single inheritance: the object starts with a pointer to a table of function
//   pointers in declaration order, which is the layout COM uses on Windows and the C++ ABI
//   gives on Linux.
// - Methods use __stdcall on 32-bit Windows (the COM convention) and the platform's default
//   elsewhere; 64-bit Windows has only one convention.
// - Records are laid out naturally: the interface packs to 8 (32-bit) or 16 (64-bit) bytes on
//   Windows, which never lowers an alignment there, and leaves packing alone on Linux. The
//   static_asserts at the end pin every size and offset for x86_64 (Linux, Windows) and i686
//   (Windows).
// - A 16-byte id is written as four 32-bit words. Other systems store the words' bytes most
//   significant first; Windows stores them as a COM GUID (the first word and the two halves of
//   the second least significant byte first), so the same id compares equal to the GUID
//   Windows hosts build.
//
// Only <stddef.h> and <stdint.h> are included, so that the layout check can compile this header
// freestanding for targets whose C++ library is not installed.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define QUOVENT_VST3_CALL __stdcall
#else
#define QUOVENT_VST3_CALL
#endif

namespace quovent::vst3 {

using int8 = int8_t;
using uint8 = uint8_t;
using int16 = int16_t;
using uint16 = uint16_t;
using int32 = int32_t;
using uint32 = uint32_t;
using int64 = int64_t;
using uint64 = uint64_t;
using TBool = uint8;
using char8 = char;
using char16 = char16_t;
using tresult = int32;
using FIDString = const char8*; // a zero-terminated id string, or 16 id bytes
using TUID = char8[16];

// ---- Result codes --------------------------------------------------------------------------
#if defined(_WIN32)
// The COM values (HRESULTs), so that Windows hosts can treat them as such.
inline constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = 0;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);
inline constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);
inline constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);
inline constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);
inline constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);
inline constexpr bool kComByteOrder = true;
#else
inline constexpr tresult kNoInterface = -1;
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = 0;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = 2;
inline constexpr tresult kNotImplemented = 3;
inline constexpr tresult kInternalError = 4;
inline constexpr tresult kNotInitialized = 5;
inline constexpr tresult kOutOfMemory = 6;
inline constexpr bool kComByteOrder = false;
#endif

// ---- Ids -----------------------------------------------------------------------------------
// The 16 bytes of an interface or class id, built from its four published words.
struct Uid {
    char8 bytes[16];
};

constexpr char8 byteOf(uint32 word, int shift) noexcept {
    return static_cast<char8>(static_cast<uint8>((word >> shift) & 0xFFu));
}

constexpr Uid makeUid(uint32 a, uint32 b, uint32 c, uint32 d) noexcept {
    if (kComByteOrder) {
        return Uid{{byteOf(a, 0), byteOf(a, 8), byteOf(a, 16), byteOf(a, 24), byteOf(b, 16),
                    byteOf(b, 24), byteOf(b, 0), byteOf(b, 8), byteOf(c, 24), byteOf(c, 16),
                    byteOf(c, 8), byteOf(c, 0), byteOf(d, 24), byteOf(d, 16), byteOf(d, 8),
                    byteOf(d, 0)}};
    }
    return Uid{{byteOf(a, 24), byteOf(a, 16), byteOf(a, 8), byteOf(a, 0), byteOf(b, 24),
                byteOf(b, 16), byteOf(b, 8), byteOf(b, 0), byteOf(c, 24), byteOf(c, 16),
                byteOf(c, 8), byteOf(c, 0), byteOf(d, 24), byteOf(d, 16), byteOf(d, 8),
                byteOf(d, 0)}};
}

// Whether 16 bytes from a host are this id. A null pointer is no id.
constexpr bool sameUid(const char8* bytes, const Uid& id) noexcept {
    if (bytes == nullptr) {
        return false;
    }
    for (int i = 0; i < 16; ++i) {
        if (bytes[i] != id.bytes[i]) {
            return false;
        }
    }
    return true;
}

// ---- FUnknown ------------------------------------------------------------------------------
class FUnknown {
public:
    static constexpr Uid iid = makeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);

    virtual tresult QUOVENT_VST3_CALL queryInterface(const TUID id, void** obj) = 0;
    virtual uint32 QUOVENT_VST3_CALL addRef() = 0;
    virtual uint32 QUOVENT_VST3_CALL release() = 0;

protected:
    ~FUnknown() = default;
};

// ---- Byte stream ---------------------------------------------------------------------------
class IBStream : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);

    enum SeekMode : int32 { kIBSeekSet = 0, kIBSeekCur = 1, kIBSeekEnd = 2 };

    // Each answers kResultOk or an error; the count out-parameters may be null.
    virtual tresult QUOVENT_VST3_CALL read(void* buffer, int32 numBytes, int32* numBytesRead) = 0;
    virtual tresult QUOVENT_VST3_CALL write(void* buffer, int32 numBytes,
                                            int32* numBytesWritten) = 0;
    virtual tresult QUOVENT_VST3_CALL seek(int64 pos, int32 mode, int64* result) = 0;
    virtual tresult QUOVENT_VST3_CALL tell(int64* pos) = 0;

protected:
    ~IBStream() = default;
};

// ---- Plug-in base --------------------------------------------------------------------------
class IPluginBase : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);

    // context: the host's object (IHostApplication), valid until terminate.
    virtual tresult QUOVENT_VST3_CALL initialize(FUnknown* context) = 0;
    virtual tresult QUOVENT_VST3_CALL terminate() = 0;

protected:
    ~IPluginBase() = default;
};

// ---- Factory -------------------------------------------------------------------------------
struct PFactoryInfo {
    enum FactoryFlags : int32 {
        kNoFlags = 0,
        kClassesDiscardable = 1 << 0,
        kLicenseCheck = 1 << 1,
        kComponentNonDiscardable = 1 << 3,
        kUnicode = 1 << 4, // the strings of the unicode class records are UTF-16
    };
    char8 vendor[64];
    char8 url[256];
    char8 email[128];
    int32 flags;
};

inline constexpr int32 kManyInstances = 0x7FFFFFFF; // class cardinality

struct PClassInfo {
    TUID cid;
    int32 cardinality;
    char8 category[32];
    char8 name[64];
};

struct PClassInfo2 {
    TUID cid;
    int32 cardinality;
    char8 category[32];
    char8 name[64];
    uint32 classFlags;
    char8 subCategories[128]; // '|'-separated
    char8 vendor[64];
    char8 version[64];
    char8 sdkVersion[64];
};

struct PClassInfoW {
    TUID cid;
    int32 cardinality;
    char8 category[32];
    char16 name[64];
    uint32 classFlags;
    char8 subCategories[128];
    char16 vendor[64];
    char16 version[64];
    char16 sdkVersion[64];
};

class IPluginFactory : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);

    virtual tresult QUOVENT_VST3_CALL getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32 QUOVENT_VST3_CALL countClasses() = 0;
    virtual tresult QUOVENT_VST3_CALL getClassInfo(int32 index, PClassInfo* info) = 0;
    // cid and interfaceId point at 16 id bytes each.
    virtual tresult QUOVENT_VST3_CALL createInstance(FIDString cid, FIDString interfaceId,
                                                     void** obj) = 0;

protected:
    ~IPluginFactory() = default;
};

class IPluginFactory2 : public IPluginFactory {
public:
    static constexpr Uid iid = makeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);

    virtual tresult QUOVENT_VST3_CALL getClassInfo2(int32 index, PClassInfo2* info) = 0;

protected:
    ~IPluginFactory2() = default;
};

class IPluginFactory3 : public IPluginFactory2 {
public:
    static constexpr Uid iid = makeUid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);

    virtual tresult QUOVENT_VST3_CALL getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
    virtual tresult QUOVENT_VST3_CALL setHostContext(FUnknown* context) = 0;

protected:
    ~IPluginFactory3() = default;
};

// Class categories and flags.
inline constexpr const char8* kVstAudioEffectClass = "Audio Module Class";
inline constexpr const char8* kVstComponentControllerClass = "Component Controller Class";
enum ComponentFlags : uint32 {
    kDistributable = 1 << 0, // processor and controller may run apart
    kSimpleModeSupported = 1 << 1,
};

// ---- Module entries ------------------------------------------------------------------------
// GetPluginFactory on every system; ModuleEntry (with the library's handle) and ModuleExit on
// Linux; InitDll and ExitDll, optional, on Windows.
using GetFactoryProc = IPluginFactory*(QUOVENT_VST3_CALL*)();
using ModuleEntryProc = bool (*)(void* sharedLibraryHandle);
using ModuleExitProc = bool (*)();
using InitDllProc = bool(QUOVENT_VST3_CALL*)();
using ExitDllProc = bool(QUOVENT_VST3_CALL*)();

// ---- Layouts -------------------------------------------------------------------------------
static_assert(sizeof(TUID) == 16 && sizeof(Uid) == 16);
static_assert(sizeof(char16) == 2);
static_assert(sizeof(PFactoryInfo) == 452);
static_assert(offsetof(PFactoryInfo, url) == 64 && offsetof(PFactoryInfo, email) == 320 &&
              offsetof(PFactoryInfo, flags) == 448);
static_assert(sizeof(PClassInfo) == 116);
static_assert(offsetof(PClassInfo, cardinality) == 16 && offsetof(PClassInfo, category) == 20 &&
              offsetof(PClassInfo, name) == 52);
static_assert(sizeof(PClassInfo2) == 440);
static_assert(offsetof(PClassInfo2, classFlags) == 116 &&
              offsetof(PClassInfo2, subCategories) == 120 && offsetof(PClassInfo2, vendor) == 248 &&
              offsetof(PClassInfo2, version) == 312 && offsetof(PClassInfo2, sdkVersion) == 376);
static_assert(sizeof(PClassInfoW) == 696);
static_assert(offsetof(PClassInfoW, name) == 52 && offsetof(PClassInfoW, classFlags) == 180 &&
              offsetof(PClassInfoW, subCategories) == 184 && offsetof(PClassInfoW, vendor) == 312 &&
              offsetof(PClassInfoW, version) == 440 && offsetof(PClassInfoW, sdkVersion) == 568);
static_assert(sizeof(FUnknown) == sizeof(void*)); // the table pointer and nothing else

} // namespace quovent::vst3
