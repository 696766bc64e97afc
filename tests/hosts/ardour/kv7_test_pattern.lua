ardour {
    ["type"] = "dsp",
    name = "Kv7 Test Pattern",
    category = "Utility",
    license = "MIT",
    author = "Tembro-laxis",
    description = [[Feeds the instrument after it, counting the samples it has run: a note-on and
note-off every NOTE_EVERY samples, walking up notes 53 to 76 on channel 1, and two audio channels: on
the left a ramp that repeats every 1000 samples, on the right a marker of 0.5 at each note's sample
and silence elsewhere. The count starts when the engine does, not with the transport: the pattern
asks the session nothing from the process thread: doing so made Ardour 7.3's exporter hang
far more often.]]
}

NOTE_FIRST = 12000
NOTE_EVERY = 6000
position = 0 -- samples run so far

function dsp_ioconfig ()
    return { { midi_in = 1, midi_out = 1, audio_in = 0, audio_out = 2 } }
end

function dsp_run (_, outs, n_samples)
    local left = outs[1]:array ()
    local right = outs[2]:array ()
    local start = position
    position = position + n_samples
    local n = 1
    for i = 1, n_samples do
        local p = start + i - 1
        left[i] = ((p % 1000) - 500) / 1000
        right[i] = 0
        if p >= NOTE_FIRST and (p - NOTE_FIRST) % NOTE_EVERY == 0 then
            right[i] = 0.5
            local note = 53 + math.floor ((p - NOTE_FIRST) / NOTE_EVERY) % 24
            midiout[n] = { time = i, data = { 0x90, note, 100 } }
            midiout[n + 1] = { time = i, data = { 0x80, note, 0 } }
            n = n + 2
        end
    end
end
