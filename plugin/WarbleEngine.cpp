#include "WarbleProcessor.h"

#include <algorithm>
#include <cmath>

namespace
{
    constexpr float twoPi = 6.2831855f;
    constexpr double twoPiDouble = 6.283185307179586;

    bool isUsableSampleRate (double rate) noexcept
    {
        return std::isfinite (rate)
            && rate >= WarbleProcessor::minimumSampleRate
            && rate <= WarbleProcessor::maximumSampleRate;
    }

    bool areEqual (const juce::Reverb::Parameters& a, const juce::Reverb::Parameters& b) noexcept
    {
        return juce::exactlyEqual (a.roomSize, b.roomSize)
            && juce::exactlyEqual (a.damping, b.damping)
            && juce::exactlyEqual (a.wetLevel, b.wetLevel)
            && juce::exactlyEqual (a.dryLevel, b.dryLevel)
            && juce::exactlyEqual (a.width, b.width)
            && juce::exactlyEqual (a.freezeMode, b.freezeMode);
    }

    // Sets a flag for the lifetime of the scope; the flag tells withdrawKeyboardState that a block
    // may be holding the lent keyboard state.
    struct ScopedFlag
    {
        explicit ScopedFlag (std::atomic<bool>& f) noexcept : flag (f)  { flag.store (true); }
        ~ScopedFlag()                                                     { flag.store (false); }

        std::atomic<bool>& flag;
    };
}

// Everything a block computes once from the sample rate and the parameter snapshot.
struct WarbleProcessor::BlockSettings
{
    float waveBlend, vibratoRate, filterBase, filterMod, resonance, reverb;
    float glideCoefficient, attackStep, releaseStep, wheelCoefficient, masterGain;
    float vibratoStep, feedback, coefficientCeiling;
    float sampleRate;
};

// What the stages of the voice rendering pass on to each other for one chunk of a block: one
// lane for each voice that sounds at the chunk's start, in index order.
struct WarbleProcessor::VoiceChunk
{
    static constexpr int maxLength = 32;
    static constexpr size_t maxLanes = (size_t) numVoices;

    template <typename Value>
    using Lanes = std::array<Value, maxLanes>;

    template <typename Value>
    using Rows = std::array<Lanes<Value>, (size_t) maxLength>;

    int start = 0;
    size_t length = 0;

    std::array<Voice*, maxLanes> lanes {};
    size_t laneCount = 0;
    Lanes<size_t> laneLength {};   // samples of this chunk before the lane's voice ended

    std::array<float, (size_t) maxLength> vibratoDepth, filterCoefficient;
    Rows<float> envelope, gain, pitch, vibrato, oscillator;
    Rows<double> phase;
};

// The last cutoff computed in a block: a still wheel leaves it as it is.
struct WarbleProcessor::CutoffCache
{
    // The exponent is clamped to [0, 1], so the first sample always computes its coefficient.
    float exponent = -1.0f;
    float coefficient = 0.0f;
};

// A host can hand a parameter a NaN, which passes through its range unchanged; the parameter's
// default then stands in, so that the output stays finite.
float WarbleProcessor::ParameterReading::load() const noexcept
{
    const auto current = value->load();
    return std::isfinite (current) ? current : fallback;
}

float WarbleProcessor::noteToFrequency (int note) noexcept
{
    return 440.0f * std::pow (2.0f, (float) (note - 69) / 12.0f);
}

void WarbleProcessor::prepareToPlay (double newSampleRate, int)
{
    if (isUsableSampleRate (newSampleRate))
        sampleRate = newSampleRate;

    voices.fill (Voice {});
    reverbProcessor.prepare ({ sampleRate, 0, 0 });
    reverbIdle.prepared (sampleRate);
}

void WarbleProcessor::releaseResources()
{
}

void WarbleProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    const juce::ScopedNoDenormals noDenormals;

    buffer.clear();

    BlockSettings settings {};
    settings.waveBlend   = readings.waveBlend.load();
    const auto glideTime = readings.glideTime.load();
    settings.vibratoRate = readings.vibratoRate.load();
    settings.filterBase  = readings.filterBase.load();
    settings.filterMod   = readings.filterMod.load();
    settings.resonance   = readings.resonance.load();
    const auto volume    = readings.volume.load();
    settings.reverb      = readings.reverb.load();
    const auto legatoOn  = readings.legato.load() > 0.5f;

    const auto sr = (float) sampleRate;
    settings.sampleRate = sr;

    const auto glideSamples = sr * (glideTime * 0.001f);
    settings.glideCoefficient = 1.0f - std::exp (-1.0f / std::max (glideSamples, 1.0f));
    settings.attackStep = 1.0f / (sr * 0.02f);
    settings.releaseStep = 1.0f / (sr * 0.3f);
    settings.masterGain = volume * 0.9f;
    settings.vibratoStep = settings.vibratoRate / sr;
    settings.feedback = settings.resonance * 3.8f;

    // Near the Nyquist frequency each filter stage passes the signal with a gain of g / (2 - g)
    // and no phase shift, and the one-sample delay in the feedback loop turns the negative
    // feedback positive there; past a loop gain of 1 the filter would ring at Nyquist. The
    // ceiling holds the loop gain there at 0.9 or less for the block's resonance.
    settings.coefficientCeiling = 0.99f;

    if (settings.feedback > 0.0f)
    {
        const auto root = std::pow (0.9f / settings.feedback, 0.25f);
        settings.coefficientCeiling = std::min (0.99f, 2.0f * root / (1.0f + root));
    }

    settings.wheelCoefficient = 1.0f - std::exp (-1.0f / (sr * 0.02f));

    {
        const ScopedFlag inUse (keyboardStateInUse);

        if (auto* state = keyboardState.load())
            state->processNextMidiBuffer (midi, 0, buffer.getNumSamples(), true);
    }

    // Each event takes effect just before the sample at its position, so that what is heard does
    // not depend on how the host cuts the audio into blocks. An event outside the block counts at
    // its nearest sample.
    const auto numSamples = buffer.getNumSamples();
    const auto lastSample = std::max (numSamples - 1, 0);
    auto sounded = activeVoices();
    CutoffCache cutoff;
    int rendered = 0;

    for (const auto event : midi)
    {
        const auto position = std::max (rendered, juce::jlimit (0, lastSample, event.samplePosition));
        renderVoices (buffer, settings, cutoff, rendered, position);
        rendered = position;

        handleMidiEvent (event.data, event.numBytes, legatoOn);
        sounded |= activeVoices();
    }

    renderVoices (buffer, settings, cutoff, rendered, numSamples);

    // Every voice that sounded at some sample of the block, so that a note shorter than a block
    // still shows.
    activeVoiceCount.store ((int) sounded.count());
    applyReverb (buffer, settings.reverb, sounded.any());
}

void WarbleProcessor::handleMidiEvent (const juce::uint8* data, int numBytes, bool legatoOn)
{
    // Classified from the raw bytes: copying into a juce::MidiMessage would allocate for long
    // system-exclusive messages, which the audio thread must not do.
    if (numBytes < 1)
        return;

    const auto status = data[0] & 0xf0;
    const auto data1 = numBytes > 1 ? (int) (data[1] & 0x7f) : 0;
    const auto data2 = numBytes > 2 ? (juce::uint8) (data[2] & 0x7f) : (juce::uint8) 0;

    if (status == 0xb0 && numBytes >= 3)
    {
        if (data1 == 1)
            modWheel.store ((float) data2 / 127.0f);
        else if (data1 == 123 || data1 == 120)
            releaseAllVoices();
    }
    else if (status == 0x90 && numBytes >= 3 && data2 != 0)
    {
        startNote (data1, data2, legatoOn);
    }
    else if ((status == 0x80 || status == 0x90) && numBytes >= 3)
    {
        releaseNote (data1);
    }
}

void WarbleProcessor::startNote (int note, juce::uint8 velocityByte, bool legatoOn)
{
    const auto velocity = (float) velocityByte * (1.0f / 127.0f);
    const auto frequency = noteToFrequency (note);

    Voice* held = nullptr;

    if (legatoOn)
        for (auto& voice : voices)
            if (voice.active && ! voice.releasing)
            {
                held = &voice;
                break;
            }

    if (held != nullptr)
    {
        // Re-aim: the voice glides on from wherever it is, with no new attack, and its loudness
        // moves to the new velocity at the attack's rate.
        held->note = note;
        held->velocity = velocity;
        held->targetHz = frequency;
    }
    else
    {
        auto& voice = chooseVoice();

        // A voice that starts from silence begins afresh at its own pitch and loudness. One taken
        // over while still audible runs on from where it is: it glides from its old pitch, and
        // its oscillator, filter and loudness carry on, so that nothing jumps.
        const auto startsFromSilence = voice.envelope < 0.001f;

        voice.active = true;
        voice.releasing = false;
        voice.note = note;
        voice.velocity = velocity;
        voice.targetHz = frequency;
        voice.startOrder = ++voicesStarted;

        if (startsFromSilence)
        {
            voice.currentHz = frequency;
            voice.gain = velocity;
            voice.phase = 0.0;
            voice.filterStages.fill (0.0f);
        }

        voice.envelope = std::max (voice.envelope, 0.0f);
        voice.vibratoPhase = random.nextFloat();
    }

    lastNote.store (note);
}

Voice& WarbleProcessor::chooseVoice() noexcept
{
    for (auto& voice : voices)
        if (! voice.active)
            return voice;

    // Every voice sounds. A voice whose key was let go gives way first, the quietest of them (the
    // earliest among equals), so that the notes still held keep sounding; failing that, the key
    // held longest gives way.
    Voice* quietestReleasing = nullptr;

    for (auto& voice : voices)
        if (voice.releasing && (quietestReleasing == nullptr || voice.envelope < quietestReleasing->envelope))
            quietestReleasing = &voice;

    if (quietestReleasing != nullptr)
        return *quietestReleasing;

    auto* oldest = &voices.front();

    for (auto& voice : voices)
        if (voice.startOrder < oldest->startOrder)
            oldest = &voice;

    return *oldest;
}

void WarbleProcessor::releaseNote (int note)
{
    for (auto& voice : voices)
        if (voice.active && ! voice.releasing && voice.note == note)
            voice.releasing = true;
}

void WarbleProcessor::releaseAllVoices()
{
    for (auto& voice : voices)
        voice.releasing = true;
}

std::bitset<WarbleProcessor::numVoices> WarbleProcessor::activeVoices() const noexcept
{
    std::bitset<numVoices> active;

    for (size_t i = 0; i < voices.size(); ++i)
        active[i] = voices[i].active;

    return active;
}

// Renders the samples from startSample up to endSample, between two events.
void WarbleProcessor::renderVoices (juce::AudioBuffer<float>& buffer, const BlockSettings& s, CutoffCache& cutoff,
                                    int startSample, int endSample)
{
    // Only this thread writes the wheel, and only at an event, so its target stays put here.
    const auto wheelTarget = modWheel.load();

    if (std::none_of (voices.begin(), voices.end(), [] (const Voice& v) { return v.active; }))
    {
        // Nothing sounds, so every output sample would be exactly 0 and the cleared buffer is
        // already right; only the wheel keeps moving.
        for (int sample = startSample; sample < endSample; ++sample)
            modWheelSmoothed += (wheelTarget - modWheelSmoothed) * s.wheelCoefficient;

        return;
    }

    // A voice's chain is a long line of dependent library calls, so the block is rendered a
    // chunk of samples at a time, stage by stage across all sounding voices: the processor can
    // then overlap the calls of many samples and voices instead of waiting on each, and the
    // plain arithmetic runs over the voices side by side. Every value is still computed by the
    // same operations in the same order as one voice, one sample at a time would, and voices
    // are summed in index order.
    for (int chunkStart = startSample; chunkStart < endSample; chunkStart += VoiceChunk::maxLength)
    {
        VoiceChunk chunk;
        chunk.start = chunkStart;
        chunk.length = (size_t) std::min (VoiceChunk::maxLength, endSample - chunkStart);

        computeSharedValues (chunk, s, wheelTarget, cutoff);

        for (auto& voice : voices)
            if (voice.active)
                chunk.lanes[chunk.laneCount++] = &voice;

        advanceEnvelopesAndPitch (chunk, s);
        advanceGains (chunk, s);
        computeOscillators (chunk, s);
        filterAndShape (chunk, s, buffer);
    }
}

// The values every voice shares within a sample: the smoothed wheel, the vibrato depth it asks
// for and the filter coefficient of the cutoff it sweeps.
void WarbleProcessor::computeSharedValues (VoiceChunk& c, const BlockSettings& s, float wheelTarget,
                                           CutoffCache& cutoff) noexcept
{
    for (size_t n = 0; n < c.length; ++n)
    {
        modWheelSmoothed += (wheelTarget - modWheelSmoothed) * s.wheelCoefficient;
        const auto m = modWheelSmoothed;
        c.vibratoDepth[n] = std::max ((m - 0.2f) / 0.8f, 0.0f) * 35.0f;
        c.filterCoefficient[n] = juce::jlimit (0.0f, 1.0f, s.filterMod * m + s.filterBase);
    }

    for (size_t n = 0; n < c.length; ++n)
    {
        const auto exponent = c.filterCoefficient[n];

        // A still wheel gives the same coefficient sample after sample.
        if (! juce::exactlyEqual (exponent, cutoff.exponent))
        {
            cutoff.exponent = exponent;
            auto hz = 80.0f * std::pow (100.0f, exponent);
            hz = std::max (hz, 40.0f);
            hz = std::min (hz, 0.45f * s.sampleRate);
            cutoff.coefficient = std::min (std::min (hz / s.sampleRate * twoPi, 0.99f), s.coefficientCeiling);
        }

        c.filterCoefficient[n] = cutoff.coefficient;
    }
}

// Each voice's envelope, glide and vibrato phase, sample by sample, one voice after the other (the
// voices are independent, so the processor overlaps them). A voice whose release ends in the
// chunk stops there: from that sample on its envelope is 0, its other values stay where they
// were, and lane length tells how far it got.
void WarbleProcessor::advanceEnvelopesAndPitch (VoiceChunk& c, const BlockSettings& s) noexcept
{
    for (size_t i = 0; i < c.laneCount; ++i)
    {
        auto& voice = *c.lanes[i];
        auto envelope = voice.envelope;
        auto hz = voice.currentHz;
        auto vibratoPhase = voice.vibratoPhase;
        const auto targetHz = voice.targetHz;
        size_t n = 0;

        for (; n < c.length; ++n)
        {
            if (voice.releasing)
            {
                envelope -= s.releaseStep;

                if (! (envelope > 0.0f))
                {
                    envelope = 0.0f;
                    voice.active = false;
                    break;
                }
            }
            else
            {
                envelope = std::min (envelope + s.attackStep, 1.0f);
            }

            hz += (targetHz - hz) * s.glideCoefficient;

            vibratoPhase += s.vibratoStep;
            if (vibratoPhase > 1.0f)
                vibratoPhase -= 1.0f;

            c.envelope[n][i] = envelope;
            c.pitch[n][i] = hz;
            c.vibrato[n][i] = vibratoPhase;
        }

        c.laneLength[i] = n;

        for (; n < c.length; ++n)
        {
            c.envelope[n][i] = 0.0f;
            c.pitch[n][i] = hz;
            c.vibrato[n][i] = vibratoPhase;
        }

        voice.envelope = envelope;
        voice.currentHz = hz;
        voice.vibratoPhase = vibratoPhase;
    }
}

// Each voice's loudness, sample by sample while the voice sounds: it moves towards the velocity
// by at most the attack step a sample, and once there it stays, which is nearly always.
void WarbleProcessor::advanceGains (VoiceChunk& c, const BlockSettings& s) noexcept
{
    for (size_t i = 0; i < c.laneCount; ++i)
    {
        auto& voice = *c.lanes[i];
        const auto velocity = voice.velocity;
        auto gain = voice.gain;
        size_t n = 0;

        for (; n < c.laneLength[i] && ! juce::exactlyEqual (gain, velocity); ++n)
        {
            const auto towards = velocity - gain;
            gain = towards > s.attackStep    ? gain + s.attackStep
                 : towards < -s.attackStep   ? gain - s.attackStep
                                             : velocity;
            c.gain[n][i] = gain;
        }

        for (; n < c.length; ++n)
            c.gain[n][i] = gain;

        voice.gain = gain;
    }
}

// Each voice's sounding frequency (its glided pitch bent by the vibrato), the oscillator's
// phase it drives, and the blended waves at that phase.
void WarbleProcessor::computeOscillators (VoiceChunk& c, const BlockSettings& s) noexcept
{
    const auto lanes = c.laneCount;

    // The vibrato row holds the vibrato phase, then its sine, then the pitch ratio it gives.
    for (size_t n = 0; n < c.length; ++n)
        for (size_t i = 0; i < lanes; ++i)
            c.vibrato[n][i] = std::sin (c.vibrato[n][i] * twoPi);

    for (size_t n = 0; n < c.length; ++n)
        for (size_t i = 0; i < lanes; ++i)
            c.vibrato[n][i] = std::pow (2.0f, c.vibrato[n][i] * c.vibratoDepth[n] / 1200.0f);

    // The phase row holds the increment, then the phase.
    const auto rate = sampleRate;

    for (size_t n = 0; n < c.length; ++n)
        for (size_t i = 0; i < lanes; ++i)
            c.phase[n][i] = (double) (c.pitch[n][i] * c.vibrato[n][i]) / rate;

    for (size_t i = 0; i < lanes; ++i)
    {
        auto phase = c.lanes[i]->phase;

        for (size_t n = 0; n < c.length; ++n)
        {
            if (n < c.laneLength[i])
            {
                // At low sample rates a high note can advance the phase by more than a cycle
                // per sample; removing whole cycles keeps it in [0, 1) where one cycle would not.
                phase += c.phase[n][i];
                if (phase >= 1.0)
                    phase -= std::floor (phase);
            }

            c.phase[n][i] = phase;
        }

        c.lanes[i]->phase = phase;
    }

    // The oscillator's 64-bit sine, then the blend of the soft and the bright wave; the sine
    // goes into the oscillator row.
    for (size_t n = 0; n < c.length; ++n)
        for (size_t i = 0; i < lanes; ++i)
            c.oscillator[n][i] = (float) std::sin (twoPiDouble * c.phase[n][i]);

    const auto blend = s.waveBlend;

    for (size_t n = 0; n < c.length; ++n)
    {
        for (size_t i = 0; i < lanes; ++i)
        {
            const auto pf = (float) c.phase[n][i];
            const auto sine = c.oscillator[n][i];
            const auto triangle = 1.0f - 4.0f * std::abs (pf - 0.5f);
            const auto saw = 2.0f * pf - 1.0f;
            const auto soft = 0.85f * sine + 0.15f * triangle;
            const auto bright = (saw - 0.33f * (saw * saw * saw)) * 0.55f;
            c.oscillator[n][i] = soft * (1.0f - blend) + bright * blend;
        }
    }
}

// Each voice's saturating four-stage filter with resonance feedback, the voices' sum scaled by
// their envelopes and loudness, and the master volume and soft clipper on that sum, written to
// the first two channels.
void WarbleProcessor::filterAndShape (const VoiceChunk& c, const BlockSettings& s,
                                      juce::AudioBuffer<float>& buffer) noexcept
{
    using Lanes = VoiceChunk::Lanes<float>;

    // Lanes without a voice hold zeros and stay at zero, so the linear stages can run over all
    // lanes at once.
    Lanes s1 {}, s2 {}, s3 {}, s4 {}, drive {};
    auto commonLength = c.length;

    for (size_t i = 0; i < c.laneCount; ++i)
    {
        const auto& voice = *c.lanes[i];
        s1[i] = voice.filterStages[0];
        s2[i] = voice.filterStages[1];
        s3[i] = voice.filterStages[2];
        s4[i] = voice.filterStages[3];
        commonLength = std::min (commonLength, c.laneLength[i]);
    }

    const auto numChannels = buffer.getNumChannels();

    const auto writeOutput = [&] (size_t n, float sum)
    {
        const auto out = 0.85f * std::tanh (s.masterGain * sum * 1.2f);
        const auto sample = c.start + (int) n;

        if (numChannels >= 1)
            buffer.addSample (0, sample, out);

        if (numChannels >= 2)
            buffer.addSample (1, sample, out);
    };

    // While every voice sounds.
    for (size_t n = 0; n < commonLength; ++n)
    {
        for (size_t i = 0; i < c.laneCount; ++i)
        {
            const auto x = c.oscillator[n][i] - s.feedback * s4[i];
            drive[i] = std::tanh (x) - std::tanh (s1[i]);
        }

        const auto g = c.filterCoefficient[n];

        for (size_t i = 0; i < VoiceChunk::maxLanes; ++i)
        {
            s1[i] += drive[i] * g;
            s2[i] += (s1[i] - s2[i]) * g;
            s3[i] += (s2[i] - s3[i]) * g;
            s4[i] += (s3[i] - s4[i]) * g;
        }

        auto sum = 0.0f;

        for (size_t i = 0; i < c.laneCount; ++i)
            sum += s4[i] * c.envelope[n][i] * c.gain[n][i];

        writeOutput (n, sum);
    }

    // After a voice has ended within the chunk: the others go on, one at a time.
    for (size_t n = commonLength; n < c.length; ++n)
    {
        const auto g = c.filterCoefficient[n];
        auto sum = 0.0f;

        for (size_t i = 0; i < c.laneCount; ++i)
        {
            if (n >= c.laneLength[i])
                continue;

            const auto x = c.oscillator[n][i] - s.feedback * s4[i];
            s1[i] += (std::tanh (x) - std::tanh (s1[i])) * g;
            s2[i] += (s1[i] - s2[i]) * g;
            s3[i] += (s2[i] - s3[i]) * g;
            s4[i] += (s3[i] - s4[i]) * g;

            sum += s4[i] * c.envelope[n][i] * c.gain[n][i];
        }

        writeOutput (n, sum);
    }

    for (size_t i = 0; i < c.laneCount; ++i)
        c.lanes[i]->filterStages = { s1[i], s2[i], s3[i], s4[i] };
}

juce::Reverb::Parameters WarbleProcessor::reverbSettingsFor (float r) noexcept
{
    juce::Reverb::Parameters settings;
    settings.roomSize = r * 0.4f + 0.55f;
    settings.damping = 0.4f;
    settings.wetLevel = r * 0.55f;
    settings.dryLevel = 1.0f - r * 0.25f;
    settings.width = 1.0f;
    return settings;
}

void WarbleProcessor::applyReverb (juce::AudioBuffer<float>& buffer, float r, bool voicesSounded)
{
    // reverbParameters always holds what the reverb was last given.
    const auto settings = reverbSettingsFor (r);
    reverbIdle.settingsHandedOver (! areEqual (reverbParameters, settings));
    reverbParameters = settings;
    reverbProcessor.setParameters (reverbParameters);

    // The reverb has a mono and a stereo path; any other channel layout keeps the dry signal.
    const auto numChannels = buffer.getNumChannels();
    if (numChannels != 1 && numChannels != 2)
        return;

    // With no voice, the block holds exact zeros.
    if (reverbIdle.canSkip (! voicesSounded))
        return;

    juce::dsp::AudioBlock<float> block (buffer);
    reverbProcessor.process (juce::dsp::ProcessContextReplacing<float> (block));

    const auto loudestWetLevel = reverbSettingsFor (1.0f).wetLevel;

    if (reverbIdle.processed (buffer, ! voicesSounded, reverbParameters.wetLevel / loudestWetLevel))
    {
        reverbProcessor.reset();
        reverbIdle.cleared();
    }
}
