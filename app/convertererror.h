#pragma once

// The error codes that the converter passes after "/ErrorCode:" when it fails inside Unity's
// texture import. Codes outside this list are still notified, with the general texts.
enum ConverterError : int {
    ErrorSettingsUnreadable = 1,  // settings.xml missing or damaged
    ErrorOriginalToolMissing = 2, // PVRTexTool_org not found beside the converter
    ErrorConversionFailed = 3,    // the converter's own PVRTC compression failed
    ErrorOutOfMemory = 4,
    ErrorImageTooLarge = 5,      // larger than the maximum image size of the settings
    ErrorOriginalToolFailed = 6, // PVRTexTool_org ended with an error
    ErrorImageUnreadable = 7,    // input missing or in a format the converter can't read
    ErrorOutputNotWritten = 8,   // output file could not be written
};
