// A value that one thread writes while another reads it: a relaxed atomic that reads
// and assigns like a plain value. Host threads set control values while the drawing
// thread reads them; neither ever waits for the other. Compound assignments are a
// load and a store, not one atomic step: only the editor's own thread does them.
#ifndef IPLUG_SHAREDVALUE_H_
#define IPLUG_SHAREDVALUE_H_

#include <atomic>

template <typename T>
class SharedValue {
 public:
  SharedValue(T v = T()) : mValue(v) {}
  SharedValue(const SharedValue& o) : mValue(o.Get()) {}
  SharedValue& operator=(const SharedValue& o) {
    Set(o.Get());
    return *this;
  }
  SharedValue& operator=(T v) {
    Set(v);
    return *this;
  }
  operator T() const { return Get(); }
  T Get() const { return mValue.load(std::memory_order_relaxed); }
  void Set(T v) { mValue.store(v, std::memory_order_relaxed); }
  // Returns the value held before.
  T Exchange(T v) { return mValue.exchange(v, std::memory_order_relaxed); }
  // Ordered forms, for handshakes where one flag must be seen before another (the
  // control's dirty and redraw flags).
  T Load(std::memory_order order) const { return mValue.load(order); }
  void Store(T v, std::memory_order order) { mValue.store(v, order); }
  T Exchange(T v, std::memory_order order) { return mValue.exchange(v, order); }

  SharedValue& operator+=(T d) { return *this = Get() + d; }
  SharedValue& operator-=(T d) { return *this = Get() - d; }

 private:
  std::atomic<T> mValue;
};

#endif  // IPLUG_SHAREDVALUE_H_
