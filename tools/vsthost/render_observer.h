// Something a render tells, after every processed block, how far it has come.
#ifndef TOOLS_VSTHOST_RENDER_OBSERVER_H_
#define TOOLS_VSTHOST_RENDER_OBSERVER_H_

#include <cstdint>

namespace vsthost {

class RenderObserver {
 public:
  virtual ~RenderObserver() = default;
  // framesDone: frames processed since the render began, this block included.
  virtual void AfterBlock(int64_t framesDone) = 0;
};

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_RENDER_OBSERVER_H_
