#include "velmora/convenience/DeviceModel.h"

#include <array>

#include "velmora/convenience/TextEquality.h"

namespace velmora::detail {
namespace {

struct ModelRow {
  const char *machine;
  const char *model;
};

constexpr ModelRow kModels[] = {
    {"iPhone1,1", "iPhone 2G"},      {"iPhone1,2", "iPhone 3G"},
    {"iPhone2,1", "iPhone 3GS"},     {"iPhone3,1", "iPhone 4"},
    {"iPhone3,2", "iPhone 4"},       {"iPhone3,3", "iPhone 4"},
    {"iPhone4,1", "iPhone 4S"},      {"iPhone5,1", "iPhone 5"},
    {"iPhone5,2", "iPhone 5"},       {"iPhone5,3", "iPhone 5C"},
    {"iPhone5,4", "iPhone 5C"},      {"iPhone6,1", "iPhone 5S"},
    {"iPhone6,2", "iPhone 5S"},      {"iPhone7,1", "iPhone 6 Plus"},
    {"iPhone7,2", "iPhone 6"},       {"iPhone8,1", "iPhone 6S"},
    {"iPhone8,2", "iPhone 6S Plus"}, {"iPhone8,4", "iPhone SE"},
    {"iPhone9,1", "iPhone 7"},       {"iPhone9,2", "iPhone 7 Plus"},
    {"iPhone10,1", "iPhone 8"},      {"iPhone10,4", "iPhone 8"},
    {"iPhone10,2", "iPhone 8 Plus"}, {"iPhone10,5", "iPhone 8 Plus"},
    {"iPhone10,3", "iPhone X"},      {"iPhone10,6", "iPhone X"},
    {"iPod1,1", "iPod Touch 1G"},    {"iPod2,1", "iPod Touch 2G"},
    {"iPod3,1", "iPod Touch 3G"},    {"iPod4,1", "iPod Touch 4G"},
    {"iPod5,1", "iPod Touch 5G"},    {"iPad1,1", "iPad 1"},
    {"iPad2,1", "iPad 2"},           {"iPad2,2", "iPad 2"},
    {"iPad2,3", "iPad 2"},           {"iPad2,4", "iPad 2"},
    {"iPad2,5", "iPad Mini 1"},      {"iPad2,6", "iPad Mini 1"},
    {"iPad2,7", "iPad Mini 1"},      {"iPad3,1", "iPad 3"},
    {"iPad3,2", "iPad 3"},           {"iPad3,3", "iPad 3"},
    {"iPad3,4", "iPad 4"},           {"iPad3,5", "iPad 4"},
    {"iPad3,6", "iPad 4"},           {"iPad4,1", "iPad Air"},
    {"iPad4,2", "iPad Air"},         {"iPad4,3", "iPad Air"},
    {"iPad4,4", "iPad Mini 2"},      {"iPad4,5", "iPad Mini 2"},
    {"iPad4,6", "iPad Mini 2"},      {"iPad4,7", "iPad Mini 3"},
    {"iPad4,8", "iPad Mini 3"},      {"iPad4,9", "iPad Mini 3"},
    {"iPad5,1", "iPad Mini 4"},      {"iPad5,2", "iPad Mini 4"},
    {"iPad5,3", "iPad Air 2"},       {"iPad5,4", "iPad Air 2"},
    {"iPad6,3", "iPad Pro 9.7"},     {"iPad6,4", "iPad Pro 9.7"},
    {"iPad6,7", "iPad Pro 12.9"},    {"iPad6,8", "iPad Pro 12.9"},
    {"i386", "iPhone Simulator"},    {"x86_64", "iPhone Simulator"},
};

constexpr Int kSlowLinkBytesPerSecond = 8192;
constexpr Int kFastLinkBytesPerSecond = 16384;

}  // namespace

std::string ModelNameOfMachine(const std::string &machine) {
  for (const auto &row : kModels) {
    if (TextEqual(machine, row.machine)) return row.model;
  }
  return machine;
}

Int BleBytesPerSecondOfModel(const std::string &model) {
  // A raw identifier has no blank after "iPhone", so only table names can match.
  static constexpr std::array<const char *, 6> kSlowFamilies = {
      "iPhone 2", "iPhone 3", "iPhone 4", "iPhone 5", "iPhone 6", "iPhone SE"};
  if (!TextHasPrefix(model, "iPhone")) return kFastLinkBytesPerSecond;
  for (const char *family : kSlowFamilies) {
    if (TextHasPrefix(model, family)) return kSlowLinkBytesPerSecond;
  }
  return kFastLinkBytesPerSecond;
}

}  // namespace velmora::detail
