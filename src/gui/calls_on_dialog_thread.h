#pragma once
// How a window host runs a window operation on the dialog's thread: directly
// when the caller is there, else handed over to it and waited for. A call
// that cannot be handed over (the dialog's loop does not run) is dropped and
// gets `fallback`: nothing would carry it out. Shared by the hosts; each
// gives the two steps of its toolkit, OnDialogThread() and HandOver(task),
// which returns false when the task was not carried out.

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace gui {

template <class Host>
class CallsOnDialogThread {
 public:
  template <class Call, class Result = std::invoke_result_t<Call&>>
  Result Run(Call call, Result fallback) {
    if (Self().OnDialogThread()) return call();
    std::optional<Result> result;
    if (!Self().HandOver([&] { result.emplace(call()); })) return fallback;
    return result ? std::move(*result) : std::move(fallback);
  }

  template <class Call>
  void Run(Call call) {
    if (Self().OnDialogThread()) {
      call();
      return;
    }
    Self().HandOver([&] { call(); });
  }

 private:
  Host& Self() { return static_cast<Host&>(*this); }
};

}  // namespace gui
