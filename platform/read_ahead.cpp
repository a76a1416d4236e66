#include "platform/read_ahead.h"

#include <unistd.h>

#include <cerrno>

namespace kalvimo {

ReadAhead::ReadAhead()
    : thread_([this] {
          while (std::optional<Request> r = asked_.take()) {
              ssize_t n;
              do n = ::read(r->fd, r->dest, r->size);
              while (n < 0 && errno == EINTR);
              Result result{n, n < 0 ? errno : 0};
              done_.put(result);
          }
      }) {}

ReadAhead::~ReadAhead() {
    asked_.close(HandOver<Request>::Waiting::Dropped);
    done_.close();  // a read nobody waits for any more is not kept
}

void ReadAhead::start(int fd, char* dest, size_t size) {
    Request r{fd, dest, size};
    asked_.put(r);
}

ReadAhead::Result ReadAhead::wait() {
    const std::optional<Result> r = done_.take();
    return r ? *r : Result{-1, EBADF};
}

}  // namespace kalvimo
