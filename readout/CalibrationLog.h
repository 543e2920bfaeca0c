#pragma once

#include <cstdint>
#include <string>

namespace q417 {

// One line of the calibration file: when, the reference the technician applied, and the two
// signals the readout reported for it. 8-bit texts, written as they are.
struct CalibrationPoint {
    std::string timeStamp;
    std::string reference;
    std::string pressure;
    std::string temperature;
};

// "hh:mm ON dd/mm/yy" of calendarSeconds in local time.
[[nodiscard]] std::string CalibrationTimeStamp(std::int64_t calendarSeconds);
// A captured signal as logged and shown: the text, a blank and "Volts", without leading blanks.
[[nodiscard]] std::string CalibrationSignalText(const std::string& signal);

// Appends point to the file at path (8-bit local path), with the column header first when the
// file cannot be opened for writing yet (normally: it does not exist). Every line ends in CR LF.
// Returns false, with nothing written, when the file cannot be opened or written.
[[nodiscard]] bool AppendCalibrationPoint(const std::string& path, const CalibrationPoint& point);

// The folder the calibration file named `name` (as typed: a bare name, a relative or an absolute
// path) lands in, for a program working in workingDirectory: the file is opened as named, so a
// relative name is taken from there.
[[nodiscard]] std::string CalibrationFolder(const std::string& name,
                                            const std::string& workingDirectory);
// What the file name field holds for a file chosen at the absolute path `path`: its bare name
// when it lies in workingDirectory itself (as the default name does), else the whole path.
[[nodiscard]] std::string CalibrationFieldText(const std::string& path,
                                               const std::string& workingDirectory);

inline constexpr const char* kCalibrationHeader = "Date/Time,Reference,Pressure,Temperature";

}  // namespace q417
