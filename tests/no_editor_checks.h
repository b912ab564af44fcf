// What a host sees of a build without an editor: for the DSP-only test programs.
#ifndef TESTS_NO_EDITOR_CHECKS_H_
#define TESTS_NO_EDITOR_CHECKS_H_

#include <gtest/gtest.h>

#include "IPlugVST_editor_picture.h"
#include "vst_test_host.h"

// No editor flag, and every editor request (size, open, close, the picture) answers 0.
inline void ExpectNoEditor(vsthost::Plugin& plug) {
  EXPECT_EQ(plug.Effect()->flags & effFlagsHasEditor, 0);
  ERect* rect = nullptr;
  EXPECT_EQ(plug.Dispatch(effEditGetRect, 0, 0, &rect), 0);
  EXPECT_EQ(plug.Dispatch(effEditOpen), 0);
  EXPECT_EQ(plug.Dispatch(effEditClose), 0);
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, kVSTVendorEditorDraw, 1), 0);
}

#endif  // TESTS_NO_EDITOR_CHECKS_H_
