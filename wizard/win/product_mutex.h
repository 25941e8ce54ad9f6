// One installation of a product at a time: installers built with [deploy]
// hold a named mutex per product (its entry's key name) while they run, in
// the global namespace, so that a second installer of the same product, of
// either architecture and in any session, learns that one is running.
#pragma once

#include <windows.h>

#include <string>

namespace wizard {

class ProductMutex {
 public:
  ProductMutex() = default;
  ~ProductMutex() {
    if (handle_) ::CloseHandle(handle_);
  }
  ProductMutex(const ProductMutex&) = delete;
  ProductMutex& operator=(const ProductMutex&) = delete;

  // True when this process is now the one installation of the product;
  // false when another holds the mutex (or it cannot be made).
  bool Acquire(const std::wstring& keyName) {
    const std::wstring name = L"Global\\SingleFileSetup." + keyName;
    handle_ = ::CreateMutexW(nullptr, TRUE, name.c_str());
    return handle_ != nullptr && ::GetLastError() != ERROR_ALREADY_EXISTS;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace wizard
