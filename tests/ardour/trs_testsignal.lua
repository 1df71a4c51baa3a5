ardour {
	["type"]    = "dsp",
	name        = "TrsTestSignal",
	category    = "Utility",
	license     = "MIT",
	author      = "Tresselin tests",
	description = [[A stereo test signal keyed to the transport position: silent except
in its own segment, so every track's plug-in hears nothing but its own case.
trs-ardour-check computes the same samples with the same arithmetic.]]
}

function dsp_ioconfig () return { { audio_in = 2, audio_out = 2 } } end

function dsp_params ()
	return {
		{ ["type"] = "input", name = "Start", min = 0, max = 100000000, default = 0, integer = true },
		{ ["type"] = "input", name = "Length", min = 0, max = 100000000, default = 0, integer = true },
	}
end

function dsp_init (rate) sr = rate end

function dsp_run (ins, outs, n_samples)
	local ctrl = CtrlPorts:array ()
	local start = math.floor (ctrl[1])
	local length = math.floor (ctrl[2])
	local left = outs[1]:array ()
	local right = outs[2]:array ()
	-- Only a rolling transport has a position that an export can line up with.
	local rolling = Session:transport_rolling ()
	local pos = Session:transport_sample ()
	for s = 1, n_samples do
		local n = pos + s - 1 - start
		if rolling and n >= 0 and n < length then
			-- Loud and quiet stretches of 12000 frames, for the envelope followers.
			local amp = (((n // 12000) % 2) == 0) and 0.6 or 0.1
			left[s] = amp * math.sin (2 * math.pi * 220 * n / sr)
			right[s] = amp * math.sin (2 * math.pi * 331 * n / sr)
		else
			left[s] = 0
			right[s] = 0
		end
	end
end
