#include "capture/PictureDownloader.h"
#include <windows.h>
#include <urlmon.h>
#include <atomic>
#include <thread>

namespace {

// Binding callback that records the HTTP status of the answer.
class StatusCallback : public IBindStatusCallback, public IHttpNegotiate {
public:
    DWORD status = 0;
    HRESULT stopResult = S_OK;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IBindStatusCallback) *out = static_cast<IBindStatusCallback*>(this);
        else if (riid == IID_IHttpNegotiate) *out = static_cast<IHttpNegotiate*>(this);
        else { *out = nullptr; return E_NOINTERFACE; }
        AddRef();
        return S_OK;
    }
    // Lives on the downloading thread's stack for the whole synchronous call.
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_refs; }

    STDMETHODIMP OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
    STDMETHODIMP OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
    STDMETHODIMP OnStopBinding(HRESULT hr, LPCWSTR) override { stopResult = hr; return S_OK; }
    STDMETHODIMP GetBindInfo(DWORD*, BINDINFO*) override { return S_OK; }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    STDMETHODIMP BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additional) override {
        if (additional) *additional = nullptr;
        return S_OK;
    }
    STDMETHODIMP OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* additional) override {
        if (additional) *additional = nullptr;
        status = code;
        return S_OK;
    }

private:
    ULONG m_refs = 1;
};

}  // namespace

bool DownloadPicture(const std::wstring& url, const std::wstring& file) {
    StatusCallback callback;
    HRESULT hr = ::URLDownloadToFileW(nullptr, url.c_str(), file.c_str(), 0, &callback);
    bool ok = SUCCEEDED(hr) && SUCCEEDED(callback.stopResult) && callback.status >= 200 && callback.status < 300 &&
              ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!ok) ::DeleteFileW(file.c_str());
    return ok;
}

void RunDownloads(std::vector<DownloadTask>& tasks,
                  const std::function<bool(const std::wstring&, const std::wstring&)>& fetch, int parallel,
                  const std::function<void(int, int)>& progress) {
    const int total = (int)tasks.size();
    if (total == 0) return;
    std::atomic<int> next{0}, finished{0};
    HANDLE changed = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    auto worker = [&] {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        for (int i; (i = next++) < total;) {
            bool ok = false;
            try { ok = fetch(tasks[i].url, tasks[i].file); } catch (...) { ok = false; }
            tasks[i].ok = ok;
            ++finished;
            ::SetEvent(changed);
        }
        ::CoUninitialize();
    };
    int count = parallel < 1 ? 1 : (parallel > total ? total : parallel);
    std::vector<std::thread> threads;
    try {
        for (int i = 0; i < count; ++i) threads.emplace_back(worker);
    } catch (...) {
        // Fewer threads than wanted; with none at all, download here.
        if (threads.empty()) worker();
    }
    int shown = -1;
    while (shown < total) {
        int now = finished;
        if (now != shown && progress) progress(now, total);
        shown = now;
        if (shown < total) ::WaitForSingleObject(changed, 200);
    }
    for (auto& t : threads) t.join();
    ::CloseHandle(changed);
}
