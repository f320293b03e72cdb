// A callable passed by reference, for calls that run it before they return.
#pragma once

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace xkiv {

template <typename Signature>
class FunctionRef;

// Refers to a callable without copying it: two pointers, no allocation,
// where a std::function would copy the callable to the heap once its
// captures outgrow a few words. The callable must outlive every call made
// through the reference, as a lambda passed to a call that runs it does.
template <typename Result, typename... Args>
class FunctionRef<Result(Args...)> {
public:
    template <typename Callable>
    requires(!std::is_same_v<std::remove_cvref_t<Callable>, FunctionRef> &&
             std::is_invocable_r_v<Result, Callable&, Args...>)
        // NOLINTNEXTLINE(google-explicit-constructor): converts like std::function
        FunctionRef(Callable&& callable)
    noexcept
        : object_(const_cast<void*>(static_cast<const void*>(std::addressof(callable)))),
          call_([](void* object, Args... args) -> Result {
              return std::invoke(*static_cast<std::remove_reference_t<Callable>*>(object),
                                 std::forward<Args>(args)...);
          }) {}

    Result operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

private:
    void* object_;
    Result (*call_)(void*, Args...);
};

}  // namespace xkiv
