// PNG decoding with the Windows Imaging Component, into the toolkit's pixel layout
// (premultiplied BGRA words, which WIC calls 32bppPBGRA).
#include "platform/Capacities.hpp"
#include "platform/Image.hpp"

#include <wincodec.h>
#include <windows.h>

#include <climits>

namespace quovent::platform {
namespace {

// COM for the calling thread while a picture is decoded: joined when the thread has it
// already (in any apartment), else entered and left again.
class ComScope {
public:
    ComScope() noexcept {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        entered_ = SUCCEEDED(hr); // S_FALSE too: balanced by our CoUninitialize
    }
    ~ComScope() {
        if (entered_) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool entered_ = false;
};

template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (p_ != nullptr) {
            p_->Release();
        }
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** out() noexcept { return &p_; }
    T* operator->() const noexcept { return p_; }
    T* get() const noexcept { return p_; }

private:
    T* p_ = nullptr;
};

} // namespace

std::shared_ptr<const Image> decodePng(std::span<const unsigned char> data) {
    // The header first: a picture claiming a huge size is refused before anything is
    // allocated for it.
    int width = 0;
    int height = 0;
    if (!pngSize(data, width, height) || data.size() > static_cast<std::size_t>(INT_MAX)) {
        return nullptr;
    }
    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out())))) {
        return nullptr;
    }
    ComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data.data()), // read only
                                            static_cast<DWORD>(data.size())))) {
        return nullptr;
    }
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(stream.get(), &GUID_ContainerFormatPng,
                                                WICDecodeMetadataCacheOnDemand, decoder.out()))) {
        return nullptr;
    }
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.out()))) {
        return nullptr;
    }
    UINT w = 0;
    UINT h = 0;
    if (FAILED(frame->GetSize(&w, &h)) || static_cast<int>(w) != width ||
        static_cast<int>(h) != height) {
        return nullptr;
    }
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return nullptr;
    }
    auto image = std::make_shared<Image>(width, height);
    if (image->empty()) {
        return nullptr;
    }
    const UINT stride = static_cast<UINT>(image->stride());
    const UINT bytes = stride * static_cast<UINT>(height);
    if (FAILED(converter->CopyPixels(nullptr, stride, bytes,
                                     reinterpret_cast<BYTE*>(image->pixels())))) {
        return nullptr;
    }
    return image;
}

} // namespace quovent::platform
