// Puts the process under the German locale (decimal comma) for a test's lifetime.
#pragma once

#include <clocale>
#include <locale>
#include <string>

namespace zh::test {

class GermanLocale {
 public:
  GermanLocale() : savedC_(std::setlocale(LC_ALL, nullptr)) {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) return;
    savedCpp_ = std::locale::global(std::locale("de_DE.UTF-8"));
    active_ = true;
  }
  ~GermanLocale() {
    if (!active_) return;
    std::locale::global(savedCpp_);
    std::setlocale(LC_ALL, savedC_.c_str());
  }
  GermanLocale(const GermanLocale&) = delete;
  GermanLocale& operator=(const GermanLocale&) = delete;

  // False when the locale cannot be set on this machine.
  bool Active() const { return active_; }

 private:
  std::string savedC_;
  std::locale savedCpp_;
  bool active_ = false;
};

}  // namespace zh::test
