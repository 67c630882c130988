#include "references.h"

#include <objbase.h>

#include "sim_log.h"

namespace sim {
namespace {

// References made ahead: one goes with each hand-out while the thread is hung.
constexpr size_t kReserve = 32;

// {00000017-0000-0000-C000-000000000046}
constexpr GUID kClsidStdMarshal = {0x00000017, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};

class Forwarder final : public IDispatch, public IMarshal {
  public:
    explicit Forwarder(std::shared_ptr<ReferenceStock> stock) : stock_(std::move(stock)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch)
            *out = static_cast<IDispatch*>(this);
        else if (riid == IID_IMarshal)
            *out = static_cast<IMarshal*>(this);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)

    SIM_NOTIMPL(GetTypeInfoCount, UINT*)
    SIM_NOTIMPL(GetTypeInfo, UINT, LCID, ITypeInfo**)
    SIM_NOTIMPL(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
    SIM_NOTIMPL(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)

    HRESULT STDMETHODCALLTYPE GetUnmarshalClass(REFIID, void*, DWORD, void*, DWORD,
                                                CLSID* clsid) noexcept override {
        *clsid = kClsidStdMarshal;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMarshalSizeMax(REFIID, void*, DWORD, void*, DWORD,
                                                DWORD* size) noexcept override {
        *size = 512;  // a standard reference with an empty resolver address is 68 bytes
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MarshalInterface(IStream* stream, REFIID riid, void*, DWORD, void*,
                                               DWORD flags) noexcept override {
        if (riid != IID_IDispatch || flags != MSHLFLAGS_NORMAL)
            return E_NOINTERFACE;
        std::string bytes;
        if (!stock_->Take(bytes)) {
            Log::Get().Write("warning", "no reference of " + stock_->Label() + " left to hand out");
            return E_OUTOFMEMORY;
        }
        return stream->Write(bytes.data(), ULONG(bytes.size()), nullptr);
    }
    SIM_NOTIMPL(UnmarshalInterface, IStream*, REFIID, void**)
    SIM_NOTIMPL(ReleaseMarshalData, IStream*)
    HRESULT STDMETHODCALLTYPE DisconnectObject(DWORD) noexcept override { return S_OK; }

  private:
    RefCount refs_;
    std::shared_ptr<ReferenceStock> stock_;
};

}  // namespace

void ReferenceStock::Refill() {
    while (more_()) {
        AcquireSRWLockShared(&lock_);
        size_t have = references_.size();
        ReleaseSRWLockShared(&lock_);
        if (have >= kReserve)
            return;
        Microsoft::WRL::ComPtr<IStream> stream;
        HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
        if (SUCCEEDED(hr))
            hr = CoMarshalInterface(stream.Get(), IID_IDispatch, object_.Get(), MSHCTX_LOCAL,
                                    nullptr, MSHLFLAGS_NORMAL);
        HGLOBAL memory = nullptr;
        if (SUCCEEDED(hr))
            hr = GetHGlobalFromStream(stream.Get(), &memory);
        if (FAILED(hr)) {
            Log::Get().Write("warning", "marshal " + label_ + " hr=" + Hex(ULONG(hr)));
            return;
        }
        LARGE_INTEGER zero{};
        ULARGE_INTEGER size{};
        stream->Seek(zero, STREAM_SEEK_CUR, &size);
        std::string bytes(static_cast<const char*>(GlobalLock(memory)), size_t(size.QuadPart));
        GlobalUnlock(memory);
        AcquireSRWLockExclusive(&lock_);
        references_.push_back(std::move(bytes));
        ReleaseSRWLockExclusive(&lock_);
    }
}

bool ReferenceStock::Take(std::string& bytes) {
    AcquireSRWLockExclusive(&lock_);
    bool any = !references_.empty();
    if (any) {
        bytes = std::move(references_.back());
        references_.pop_back();
    }
    ReleaseSRWLockExclusive(&lock_);
    askMore_();
    return any;
}

IDispatch* NewForwarder(std::shared_ptr<ReferenceStock> stock) {
    return new Forwarder(std::move(stock));
}

}  // namespace sim
