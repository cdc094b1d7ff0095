// UDP ports for test servers that no other test can take while they are in use, even while
// a server is between two binds of the same port.
//
// A reservation is a block of kBlockSize consecutive ports outside the kernel's ephemeral
// range, so no socket bound to port 0 (a client, oscsend, a reply socket) can ever be given
// one; and it is claimed with an flock on a lock file in one folder that every test process
// of the machine shares (whatever build or checkout it runs from), so two tests never get
// the same block. The claim ends with the object or with its process, however that ends.
//
// Threading: an object belongs to one thread; reservations may be made from any thread.
#pragma once

namespace osctest {

class PortReservation {
public:
  static constexpr int kBlockSize = 8;

  // Claims a free block; throws std::runtime_error when none can be claimed.
  PortReservation();
  // Claims the block holding port, if no other test holds it; see held().
  explicit PortReservation(int port);
  ~PortReservation();
  PortReservation(const PortReservation&) = delete;
  PortReservation& operator=(const PortReservation&) = delete;

  bool held() const { return fd >= 0; }
  // First port of the block; ports first() .. first() + kBlockSize - 1 are this test's.
  int first() const { return base; }

private:
  // Locks the block starting at base when nobody else holds it and all its ports are free.
  bool claim(int blockBase);

  int fd = -1;
  int base = 0;
};

}  // namespace osctest
