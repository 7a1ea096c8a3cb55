// The three-byte check and the picture loader entry: any bytes as a picture file, AVIF, HEIF and
// JPEG XL through the program's own plugin beside the fuzzer. Metafiles are only recognised
// here; their own target runs the helper's work.

#include "fuzzcommon.h"

#include "picture/imagecheck.h"
#include "picture/pictureloader.h"
#include "platform/programfiles.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    velt::addPictureFormatFolders();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace velt;
    const QString path = fuzz::inputFile(data, size, QStringLiteral("picture.jpg"));
    const CheckOutcome outcome = checkImageFile(path);
    fuzz::require((outcome.result == CheckResult::Unreadable) == (size == 0));
    (void)checkReportText(outcome.result, path, outcome.modified);
    (void)PictureCheck(path);
    const LoadedPicture picture = loadPicture(path, MetafileHelper{});
    if (picture.ok())
        fuzz::require(qint64(picture.image.sizeInBytes()) <= kMaxPictureBytes);
    return 0;
}
