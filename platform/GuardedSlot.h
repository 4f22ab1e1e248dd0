#pragma once

#include <QObject>

#include <exception>
#include <functional>
#include <utility>

// The windows connect their slots through ConnectGuarded: an exception that a
// slot lets escape (ours or the standard library's) must not cross Qt's signal
// code. It is shown through the message service, and the program goes on. The
// application's notify override stays the last net for the rest.

// Shows the exception's message as an error box.
void ShowException(const std::exception &Error);

// Runs Work; false when it threw and the message was shown.
bool RunGuarded(const std::function<void()> &Work);

namespace GuardedDetail {

// A slot behind RunGuarded, taking the same arguments as the slot, so that
// connect matches them against the signal as it would the slot's own.
template <typename Signature> struct Wrap;

template <typename R, typename... Args> struct Wrap<R(Args...)>
{
    template <typename Slot> static auto Make(Slot slot)
    {
        return [slot = std::move(slot)](Args... args) mutable {
            RunGuarded([&] { slot(std::forward<Args>(args)...); });
        };
    }
};

template <typename Callable> struct SignatureOf : SignatureOf<decltype(&Callable::operator())>
{
};

template <typename Class, typename R, typename... Args> struct SignatureOf<R (Class::*)(Args...) const>
{
    using Type = R(Args...);
};

template <typename Class, typename R, typename... Args> struct SignatureOf<R (Class::*)(Args...)>
{
    using Type = R(Args...);
};

} // namespace GuardedDetail

// Connects Signal of Sender to a callable Slot that runs in Context's thread for
// as long as Context lives; Slot takes the signal's first arguments, as with connect.
template <typename Sender, typename Signal, typename Slot>
QMetaObject::Connection ConnectGuarded(const Sender *From, Signal Emitted, const QObject *Context,
                                       Slot Callable)
{
    using Signature = typename GuardedDetail::SignatureOf<Slot>::Type;
    return QObject::connect(From, Emitted, Context,
                            GuardedDetail::Wrap<Signature>::Make(std::move(Callable)));
}

// Connects Signal of Sender to Method of Receiver.
template <typename Sender, typename Signal, typename Receiver, typename Class, typename R, typename... Args>
QMetaObject::Connection ConnectGuarded(const Sender *From, Signal Emitted, Receiver *To,
                                       R (Class::*Method)(Args...))
{
    return QObject::connect(From, Emitted, To, [To, Method](Args... args) {
        RunGuarded([&] { (To->*Method)(std::forward<Args>(args)...); });
    });
}
