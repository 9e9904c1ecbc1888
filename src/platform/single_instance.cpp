#include "platform/single_instance.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "util/crc.h"

namespace tsuzuri::platform {
namespace {

// An address in Linux's abstract socket namespace: no file is left behind.
struct SocketAddress {
  sockaddr_un address{};
  socklen_t length = 0;
};

SocketAddress addressFor(std::string_view key) {
  char name[64];
  static_cast<void>(std::snprintf(name, sizeof name, "tsuzuri-%016llx",
                                  static_cast<unsigned long long>(util::crc64_hash2(key))));
  SocketAddress result;
  result.address.sun_family = AF_UNIX;
  const std::size_t nameLength = std::strlen(name);
  // sun_path[0] stays NUL: the abstract namespace.
  std::memcpy(result.address.sun_path + 1, name, nameLength);
  result.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + nameLength);
  return result;
}

}  // namespace

SingleInstance::~SingleInstance() {
  if (listener_ >= 0) ::close(listener_);
}

bool SingleInstance::claim(std::string_view key) {
  if (listener_ >= 0) return true;
  const SocketAddress where = addressFor(key);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listener < 0) return true;  // nothing to coordinate with: go on alone
  if (::bind(listener, reinterpret_cast<const sockaddr*>(&where.address), where.length) == 0 &&
      ::listen(listener, 4) == 0) {
    listener_ = listener;
    return true;
  }
  const bool taken = errno == EADDRINUSE;
  ::close(listener);
  if (!taken) return true;

  // Never blocks: a first run too busy to accept is still the first run.
  const int caller = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (caller < 0) return false;
  if (::connect(caller, reinterpret_cast<const sockaddr*>(&where.address), where.length) == 0) {
    const char raise = 'R';
    static_cast<void>(::write(caller, &raise, 1));
  }
  ::close(caller);
  return false;
}

bool SingleInstance::raiseRequested() {
  if (listener_ < 0) return false;
  bool requested = false;
  for (;;) {
    const int peer = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0) break;
    requested = true;
    ::close(peer);
  }
  return requested;
}

}  // namespace tsuzuri::platform
