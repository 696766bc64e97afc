// Loads the built plug-in module exactly as a music host does and checks what a host sees.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>

#include "loaded_effect_test.h"

namespace {

using HostTest = LoadedEffectTest;

TEST_F(HostTest, EffectRecordDescribesAStereoSynthWithEditor) {
    EXPECT_EQ(effect->magic, fourCharCode("VstP"));
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_NE(effect->dispatcher, nullptr);
    EXPECT_NE(effect->process, nullptr);
    EXPECT_NE(effect->setParameter, nullptr);
    EXPECT_NE(effect->getParameter, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->processDoubleReplacing, nullptr);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 1);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags, 0x111);
    EXPECT_EQ(effect->flags, effFlagsHasEditor | effFlagsCanReplacing | effFlagsIsSynth);
    EXPECT_EQ(effect->resvd1, 0);
    EXPECT_EQ(effect->resvd2, 0);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->realQualities, 0);
    EXPECT_EQ(effect->offQualities, 0);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_NE(effect->object, nullptr);
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_EQ(effect->uniqueID, 0x54626B78);  // 'Tbkx'
    EXPECT_EQ(effect->version, 1);
    for (char c : effect->future) EXPECT_EQ(c, 0);
}

TEST_F(HostTest, OnlyTheEntryPointIsExported) {
    EXPECT_NE(module.symbol("VSTPluginMain"), nullptr);
    EXPECT_EQ(module.symbol("createEffectInstance"), nullptr);
    EXPECT_EQ(module.symbol("_Z20createEffectInstancePFlP7AEffectiilPvfE"), nullptr);
}

TEST_F(HostTest, EntryPointAsksTheHostVersionFirst) {
    ASSERT_FALSE(HostCallbackLog::instance().calls.empty());
    const auto& first = HostCallbackLog::instance().calls.front();
    EXPECT_EQ(first.opcode, audioMasterVersion);
    EXPECT_EQ(first.effect, nullptr);
}

TEST(HostEntry, HostAnsweringVersionZeroGetsNoEffect) {
    HostCallbackLog::instance() = HostCallbackLog{};
    HostCallbackLog::instance().versionAnswer = 0;
    PluginModule module(builtPluginPath());
    ASSERT_TRUE(module.loaded()) << module.error();
    EXPECT_EQ(module.instantiate(HostCallbackLog::callback), nullptr);
    EXPECT_EQ(module.instantiate(nullptr), nullptr);
}

TEST_F(HostTest, DispatcherAnswersOfTheFrame) {
    EXPECT_EQ(dispatch(effect, effOpen), 0);
    EXPECT_EQ(dispatch(effect, effSetProgram, 0, 0), 0);
    EXPECT_EQ(dispatch(effect, effGetProgram), 0);
    EXPECT_EQ(dispatch(effect, effSetProgram, 0, 1), 0);  // not below numPrograms: ignored
    EXPECT_EQ(dispatch(effect, effGetProgram), 0);
    char name[] = "renamed";
    EXPECT_EQ(dispatch(effect, effSetProgramName, 0, 0, name), 0);
    EXPECT_EQ(dispatchText(effect, effGetProgramName), "  ");
    EXPECT_EQ(dispatchText(effect, effGetParamLabel, 0), "  ");
    EXPECT_EQ(dispatchText(effect, effGetParamDisplay, 0), "  ");
    EXPECT_EQ(dispatchText(effect, effGetParamName, 0), " ");
    EXPECT_EQ(dispatch(effect, effGetVu), 0);
    EXPECT_EQ(dispatch(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(dispatch(effect, effSetBlockSize, 0, 256), 0);
    EXPECT_EQ(dispatch(effect, effMainsChanged, 0, 1), 0);
    EXPECT_EQ(dispatch(effect, effMainsChanged, 0, 0), 0);
    EXPECT_EQ(dispatch(effect, effEditIdle), 0);
    EXPECT_EQ(dispatch(effect, effIdentify), fourCharCode("NvEf"));
    void* chunk = nullptr;
    EXPECT_EQ(dispatch(effect, effGetChunk, 0, 0, &chunk), 0);
    EXPECT_EQ(chunk, nullptr);
    EXPECT_EQ(dispatch(effect, effSetChunk, 0, 4, name), 0);
}

TEST_F(HostTest, DispatcherAnswersOfTheVersion2Opcodes) {
    EXPECT_EQ(dispatch(effect, effProcessEvents, 0, 0, nullptr), 1);
    for (VstInt32 index : {0, 5, 195, -7}) EXPECT_EQ(dispatch(effect, effCanBeAutomated, index), 1);
    EXPECT_EQ(dispatch(effect, effGetNumProgramCategories), 1);
    EXPECT_EQ(dispatchText(effect, effGetProgramNameIndexed, 0), "DefaultProgram  ");
    EXPECT_EQ(dispatch(effect, effGetProgramNameIndexed, -1, 0, std::make_unique<char[]>(64).get()), 1);
    EXPECT_EQ(dispatch(effect, effGetProgramNameIndexed, 1, 0, std::make_unique<char[]>(64).get()), 0);
    EXPECT_EQ(dispatch(effect, effConnectInput, 0, 1), 1);
    EXPECT_EQ(dispatch(effect, effConnectOutput, 1, 1), 1);
    VstPinProperties pin{};
    for (VstInt32 index : {0, 1, 2}) {
        EXPECT_EQ(dispatch(effect, effGetInputProperties, index, 0, &pin), 0);
        EXPECT_EQ(dispatch(effect, effGetOutputProperties, index, 0, &pin), 0);
    }
    EXPECT_EQ(dispatch(effect, effGetPlugCategory), kPlugCategSynth);
    EXPECT_EQ(dispatch(effect, effSetBlockSizeAndSampleRate, 0, 512, nullptr, 44100.0f), 1);
    EXPECT_EQ(dispatchText(effect, effGetEffectName), "Tembro-laxis");
    EXPECT_EQ(dispatch(effect, effGetEffectName, 0, 0, std::make_unique<char[]>(64).get()), 1);
    EXPECT_EQ(dispatchText(effect, effGetVendorString), "Brennwick");
    EXPECT_EQ(dispatchText(effect, effGetProductString), "Tembro-laxis");
    EXPECT_EQ(dispatch(effect, effGetVendorVersion), 1005);
    EXPECT_EQ(dispatch(effect, effGetTailSize), 1);
    EXPECT_EQ(dispatch(effect, effKeysRequired), 1);
    EXPECT_EQ(dispatch(effect, effGetVstVersion), 2400);
    EXPECT_EQ(dispatch(effect, effGetCurrentMidiProgram), -1);
    EXPECT_EQ(dispatch(effect, effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(dispatch(effect, effGetNumMidiInputChannels), 0);
    EXPECT_EQ(dispatch(effect, effGetNumMidiOutputChannels), 0);
    EXPECT_EQ(dispatch(effect, effSetEditKnobMode, 0, 2), 1);
    for (VstInt32 opcode : std::initializer_list<VstInt32>{effString2Parameter, effCopyProgram, effGetCurrentPosition, effGetDestinationBuffer,
                            effProcessVarIo, effSetBypass, effIdle, effGetIcon, effSetViewPosition,
                            effHasMidiProgramsChanged, effBeginSetProgram, effEndSetProgram, effStartProcess,
                            effStopProcess, effSetPanLaw, effSetProcessPrecision})
        EXPECT_EQ(dispatch(effect, opcode), 0) << opcode;
    VstSpeakerArrangement* in = reinterpret_cast<VstSpeakerArrangement*>(&pin);
    VstSpeakerArrangement* out = in;
    EXPECT_EQ(dispatch(effect, effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
}

TEST_F(HostTest, CanDoMatchesSixStringsExactly) {
    for (const char* yes : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo ", "plugAsChannelInsert ",
                            "sendVstMidiEvent", "sendVstEvents"}) {
        std::string text = yes;
        EXPECT_EQ(dispatch(effect, effCanDo, 0, 0, text.data()), 1) << '"' << yes << '"';
    }
    for (const char* no : {"receiveVstTimeInfo", "plugAsChannelInsert", "sizeWindow", "", "bypass"}) {
        std::string text = no;
        EXPECT_EQ(dispatch(effect, effCanDo, 0, 0, text.data()), -1) << '"' << no << '"';
    }
}

TEST_F(HostTest, MidiKeyNamesAreFourSpaces) {
    MidiKeyName key{};
    key.thisKeyNumber = 60;
    key.reserved = 7;
    key.flags = 9;
    EXPECT_EQ(dispatch(effect, effGetMidiKeyName, 0, 0, &key), 1);
    EXPECT_STREQ(key.keyName, "    ");
    EXPECT_EQ(key.reserved, 0);
    EXPECT_EQ(key.flags, 0);
}

TEST_F(HostTest, VendorSpecificAnswersItsFourCodesAndForwardsTheRest) {
    EXPECT_EQ(dispatch(effect, effVendorSpecific, fourCharCode("sHi!")), 1);
    EXPECT_EQ(dispatch(effect, effVendorSpecific, fourCharCode("sI00"), 1), 1);
    EXPECT_EQ(dispatch(effect, effVendorSpecific, fourCharCode("sO00")), 0);
    char text[16] = "xxxx";
    EXPECT_EQ(dispatch(effect, effVendorSpecific, fourCharCode("sV2S"), 0, text), 1);
    EXPECT_STREQ(text, " ");
    EXPECT_EQ(HostCallbackLog::instance().count(audioMasterVendorSpecific), 0u);

    int payload = 0;
    EXPECT_EQ(dispatch(effect, effVendorSpecific, 4242, 77, &payload, 0.5f), 0x5EED);
    const auto& call = HostCallbackLog::instance().calls.back();
    EXPECT_EQ(call.opcode, audioMasterVendorSpecific);
    EXPECT_EQ(call.effect, effect);
    EXPECT_EQ(call.index, 4242);
    EXPECT_EQ(call.value, 77);
    EXPECT_EQ(call.ptr, &payload);
    EXPECT_EQ(call.opt, 0.5f);
}

TEST_F(HostTest, EditorRectangleIsTheWindowPictureBeforeAnyOpen) {
    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(effect, effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_GE(rect->right, 398);
    EXPECT_GE(rect->bottom, 742);
}

TEST_F(HostTest, NullPointersFromTheHostAreAnsweredWithZero) {
    for (VstInt32 opcode : std::initializer_list<VstInt32>{effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay,
                            effGetParamName, effEditGetRect, effGetChunk, effSetChunk, effGetProgramNameIndexed,
                            effGetEffectName, effGetVendorString, effGetProductString, effGetMidiKeyName,
                            effGetInputProperties, effGetOutputProperties})
        EXPECT_EQ(dispatch(effect, opcode, 0, 0, nullptr), 0) << opcode;
    EXPECT_EQ(dispatch(effect, effCanDo, 0, 0, nullptr), 0);
    EXPECT_EQ(dispatch(effect, effVendorSpecific, fourCharCode("sV2S"), 0, nullptr), 1);
}

TEST_F(HostTest, ParametersThroughTheRecord) {
    effect->setParameter(effect, 0, 0.7f);
    EXPECT_EQ(effect->getParameter(effect, 0), 0.0f);
    effect->setParameter(effect, 110, 1.0f);
    EXPECT_EQ(effect->getParameter(effect, 110), 1.0f);
    char text[kVstMaxParamStrLen];
    dispatch(effect, effGetParamDisplay, 110, 0, text);
    EXPECT_STREQ(text, "     48");
}

TEST_F(HostTest, ProcessingPassesInputsThroughAnEmptyKit) {
    std::vector<VstMidiEvent> notes = {midiEvent(0, 0x90, 53, 100), midiEvent(3, 0x80, 53, 0)};
    sendNotes(effect, notes);
    float inL[8], inR[8], outL[8], outR[8];
    for (int f = 0; f < 8; ++f) {
        inL[f] = 0.1f * static_cast<float>(f);
        inR[f] = -0.1f * static_cast<float>(f);
    }
    float* inputs[2] = {inL, inR};
    float* outputs[2] = {outL, outR};
    effect->processReplacing(effect, inputs, outputs, 8);
    for (int f = 0; f < 8; ++f) {
        EXPECT_EQ(outL[f], inL[f]);
        EXPECT_EQ(outR[f], inR[f]);
    }
    effect->process(effect, inputs, outputs, 8);  // the deprecated call does nothing
    double* noDoubles[2] = {nullptr, nullptr};
    effect->processDoubleReplacing(effect, noDoubles, noDoubles, 8);
}

}  // namespace
