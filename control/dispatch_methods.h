// The methods of the control's dispatch interface.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "comm/result_code.h"
#include "platform/automation.h"

namespace xkiv {

class CXKivRZ150LXCtrl;

// The type library's description of every method of the method table
// (dispid, name, parameters, result, help text), constant data in dispid
// order; the range and name questions come from the member table.
std::span<const automation::MemberInfo> MethodMembers();

// Runs the dispatch methods on a control. The panels call the named
// operations directly; the control's Invoke reaches them through Invoke.
// Methods that raise do so through the control's RaiseCameraError.
class ControlMethods {
public:
    explicit ControlMethods(CXKivRZ150LXCtrl& control);

    // Runs the method of member with arguments already converted to its
    // parameter types (out-parameters as long references).
    automation::Variant Invoke(const automation::MemberInfo& member,
                               std::vector<automation::Variant>& args);

    bool CheckOnline() const;
    bool CheckSynchronized() const;
    bool CheckSending() const;
    bool CheckReceiving() const;
    bool CheckModelAsRZ130LX() const;
    bool CheckModelAsRZ150LX() const;
    bool CheckModelAsRZ150LX_HR() const;
    std::int32_t AskCommClassRange(std::int32_t nMinMax) const;
    std::string AskCommClassString(std::int32_t nIndex) const;
    std::int32_t AskCommPortRange(std::int32_t nClass, std::int32_t nMinMax) const;
    std::string AskCommPortString(std::int32_t nClass, std::int32_t nIndex) const;
    [[nodiscard]] ResultCode StartCommunication(std::int32_t nClass, std::int32_t nPort);
    // 1 when a camera identified itself (pnClass and pnPort then hold its
    // port), 0 otherwise; never raises.
    std::int32_t AutoSelectCommunication(std::int32_t* pnClass, std::int32_t* pnPort,
                                         std::int32_t nShowProgressBar);
    [[nodiscard]] ResultCode ReadAllFromCamera();
    [[nodiscard]] ResultCode WriteAllToCamera();
    [[nodiscard]] ResultCode ReadAllFromFile(const std::string& fileName);
    [[nodiscard]] ResultCode WriteAllToFile(const std::string& fileName);
    [[nodiscard]] ResultCode WriteCameraDataToFile(const std::string& fileName);
    std::int32_t ReadCurrentEEPROMArea();
    std::string ReadCurrentEEPROMAreaString();
    [[nodiscard]] ResultCode LoadSettings();
    [[nodiscard]] ResultCode StoreSettings();
    [[nodiscard]] ResultCode DoOnePushAutoLineRateSet(std::int32_t* pnResult,
                                                      std::int32_t nShowResultMessage);
    [[nodiscard]] ResultCode DoOnePushAWBShutter(std::int32_t* pnResult,
                                                 std::int32_t nShowResultMessage);
    [[nodiscard]] ResultCode DoOnePushAWB(std::int32_t* pnResult, std::int32_t nShowResultMessage);
    [[nodiscard]] ResultCode DoOnePushShadingCorrection(std::int32_t nType, std::int32_t* pnResult,
                                                        std::int32_t nShowResultMessage);
    [[nodiscard]] ResultCode DoOnePushPixelGainCorrection(std::int32_t* pnResult,
                                                          std::int32_t nShowResultMessage);
    [[nodiscard]] ResultCode DoOnePushPixelBlackCorrection(std::int32_t* pnResult,
                                                           std::int32_t nShowResultMessage);
    [[nodiscard]] ResultCode ReadChromaticAberrationFromFile(const std::string& fileName,
                                                             std::int32_t nShowProgressBar);
    [[nodiscard]] ResultCode WriteChromaticAberrationToFile(const std::string& fileName,
                                                            std::int32_t nShowProgressBar);
    // Sends the command row's value, then polls the result row every 100 ms
    // for at most 10 s (on the module's clock); never raises.
    [[nodiscard]] ResultCode RunOnePush(int commandRow, std::int32_t commandValue, int resultRow,
                                        std::int32_t* pnResult, std::int32_t nShowResultMessage);

private:
    // The transports the port search walks through: COM, Camera Link, then the network.
    static constexpr int kSearchedClasses = 3;

    int CountSearchPorts() const;
    // Polls the result row until it leaves "Not Yet Finished", a read fails or
    // the time limit passes; outcome holds the last value seen.
    [[nodiscard]] ResultCode PollOnePushResult(int resultRow, std::int32_t& outcome);
    void ShowOnePushMessage(int commandRow, int resultRow, ResultCode result, std::int32_t outcome);
    // Reads a row the camera changed on its own and reports it; failures
    // are ignored.
    void ReadBack(int changedRow);

    CXKivRZ150LXCtrl& control_;
};

}  // namespace xkiv
