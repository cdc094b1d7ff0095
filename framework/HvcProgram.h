// A named set of plain parameter values. The current program's values are the effect's
// live parameters, written and read from many threads.
#pragma once

#include <cstdint>

class HvcProgram {
public:
  virtual ~HvcProgram() = default;
  virtual void setValue(int32_t index, float value) = 0;
  virtual float getValue(int32_t index) const = 0;
  virtual void setName(const char* name) = 0;
  virtual const char* getName() const = 0;
  virtual int32_t reserved1() { return 0; }
  virtual int32_t reserved2() { return 0; }
  virtual void reserved3(int32_t, int32_t) {}
};
