// GDI+ runs for the whole test program, as it does for the installer.
#include <gtest/gtest.h>

#include "controls/imaging.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  controls::ImagingStartup();
  int result = RUN_ALL_TESTS();
  controls::ImagingShutdown();
  return result;
}
