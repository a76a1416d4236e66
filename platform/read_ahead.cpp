#include "platform/read_ahead.h"

#include <cerrno>

namespace kalvimo {

ReadAhead::ReadAhead(size_t depth)
    : asked_(depth),
      done_(depth),
      thread_([this] {
          while (std::optional<Request> r = asked_.take()) {
              size_t got = 0;
              const int err = sys::readAt(*r->file, r->offset, r->dest, r->size, got);
              Result result{err != 0 ? -1 : static_cast<long long>(got), err};
              if (afterRead) afterRead();
              done_.put(result);
          }
      }) {}

ReadAhead::~ReadAhead() {
    asked_.close(HandOver<Request>::Waiting::Dropped);
    done_.close();  // a read nobody waits for any more is not kept
}

void ReadAhead::start(const sys::File& file, uint64_t offset, char* dest, size_t size) {
    Request r{&file, offset, dest, size};
    asked_.put(r);
}

ReadAhead::Result ReadAhead::wait() {
    const std::optional<Result> r = done_.take();
    return r ? *r : Result{-1, EBADF};
}

}  // namespace kalvimo
