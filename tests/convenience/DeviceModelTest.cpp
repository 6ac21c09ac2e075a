// Machine identifiers to model names, and model names to Bluetooth LE link rates.
#include <gtest/gtest.h>

#include <string>

#include "platform/Machine.h"
#include "velmora/convenience/DeviceModel.h"

namespace {

using velmora::detail::BleBytesPerSecondOfModel;
using velmora::detail::ModelNameOfMachine;

velmora::Int RateOfMachine(const std::string &machine) {
  return BleBytesPerSecondOfModel(ModelNameOfMachine(machine));
}

TEST(DeviceModel, TableNamesAndRates) {
  EXPECT_EQ(ModelNameOfMachine("iPhone8,4"), "iPhone SE");
  EXPECT_EQ(RateOfMachine("iPhone8,4"), 8192);
  EXPECT_EQ(ModelNameOfMachine("iPhone9,1"), "iPhone 7");
  EXPECT_EQ(RateOfMachine("iPhone9,1"), 16384);
  EXPECT_EQ(ModelNameOfMachine("iPhone7,1"), "iPhone 6 Plus");
  EXPECT_EQ(RateOfMachine("iPhone7,1"), 8192);
  EXPECT_EQ(ModelNameOfMachine("iPad2,5"), "iPad Mini 1");
  EXPECT_EQ(RateOfMachine("iPad2,5"), 16384);
  // "iPhone S" of the simulator is not "iPhone SE".
  EXPECT_EQ(ModelNameOfMachine("x86_64"), "iPhone Simulator");
  EXPECT_EQ(RateOfMachine("x86_64"), 16384);
  EXPECT_EQ(ModelNameOfMachine("iPhone10,6"), "iPhone X");
  EXPECT_EQ(ModelNameOfMachine("iPod5,1"), "iPod Touch 5G");
}

TEST(DeviceModel, EveryOlderPhoneIsSlowAndNewerOnesFast) {
  const char *slow[] = {"iPhone1,1", "iPhone1,2", "iPhone2,1", "iPhone3,3",
                        "iPhone4,1", "iPhone5,2", "iPhone5,4", "iPhone6,1",
                        "iPhone7,2", "iPhone8,1", "iPhone8,2"};
  for (const char *machine : slow) EXPECT_EQ(RateOfMachine(machine), 8192) << machine;
  const char *fast[] = {"iPhone9,2", "iPhone10,1", "iPhone10,5", "iPod1,1", "iPad6,8", "i386"};
  for (const char *machine : fast) EXPECT_EQ(RateOfMachine(machine), 16384) << machine;
}

TEST(DeviceModel, UnknownIdentifiersPassThrough) {
  EXPECT_EQ(ModelNameOfMachine("iPhone11,2"), "iPhone11,2");
  EXPECT_EQ(RateOfMachine("iPhone11,2"), 16384);
  // A raw identifier has no blank after "iPhone": never taken for an older model.
  EXPECT_EQ(RateOfMachine("iPhone6,9"), 16384);
  EXPECT_EQ(ModelNameOfMachine(""), "");
  EXPECT_EQ(RateOfMachine(""), 16384);
  EXPECT_EQ(ModelNameOfMachine("iphone8,4"), "iphone8,4");
  EXPECT_FALSE(velmora::platform::machineIdentifier().empty());
}

}  // namespace
