-- Run by ardour7-lua with the dummy backend, once per case ($TRS_CASE): a
-- track with the TrsTestSignal generator followed by Tresselin, set up as
-- the case says, and its segment exported to a 32-bit float WAV. Ardour 7.3
-- crashes now and then in its export path (with or without our plug-in), so
-- each process does one export, and the caller judges by the line
-- TRS-CASE-COMPLETE and the WAV rather than by the exit code. Writes, into
-- $TRS_WORK:
--   params.txt        the parameters as Ardour lists them
--   NAME.case.txt     the segment, the parameters set and the values Ardour holds
--   export/NAME.wav   the export
io.stdout:setvbuf ("no")

local work = os.getenv ("TRS_WORK")
local name = os.getenv ("TRS_CASE")
assert (work and name, "TRS_WORK and TRS_CASE must be set")
local rate = 48000
local start = rate  -- a second of silence first: the plug-in starts from rest
local length = 2 * rate
local preset = "5d1c7a64-3f0e-4a2b-9c1d-7e2f4b8a6c10"

-- Every case starts from the default program and changes only these.
-- "exact" cases must equal a render through our host library; the others
-- are judged by what their settings should do to the sound.
local cases = {
	default = { kind = "exact", params = {} },
	filtered = { kind = "exact", params = {
		[5] = 0.35, [6] = 0.6, [7] = 0.5, [11] = 0.05, [12] = 0.8, [14] = 0.9, [15] = 0.3 } },
	dryoff = { kind = "exact", params = { [14] = 0.0, [15] = 0.0 } },
	generators = { kind = "generators", params = {
		[0] = 0.8, [1] = 0.5, [2] = 0.3, [3] = 0.5, [9] = 0.9, [15] = 0.0 } },
	automated = { kind = "automated", params = { [14] = 0.0 }, automate = 15 },
}
-- FilterType stepped through LP, HP, BP and back, on discrete automation.
-- Ardour keeps the points in beats (a tick is 12.5 frames at 120 bpm and
-- 48 kHz): each change sits on a tick that is also a block start of the
-- dummy backend's 1024 frames, so every block sees one value.
cases.stepped = { kind = "stepped", params = { [5] = 0.35, [6] = 0.6, [7] = 0.0, [14] = 0.9, [15] = 0.3 },
	steps = { { 25 * 1024, 7, 0.5 }, { 50 * 1024, 7, 1.0 }, { 75 * 1024, 7, 0.0 } } }
local c = assert (cases[name], "no case " .. name)

-- TRS_LV2_URI loads the LV2 edition by its URI instead of the VST plug-in.
local lv2uri = os.getenv ("TRS_LV2_URI")
local ptype = lv2uri and ARDOUR.PluginType.LV2 or ARDOUR.PluginType.LXVST
local pname = lv2uri or "Tresselin"

local backend = AudioEngine:set_backend ("None (Dummy)", "", "")
assert (backend, "no dummy backend")
assert (AudioEngine:start (false) == 0, "the engine did not start")

-- Only with the engine running: Ardour 7.3 crashes listing plug-ins before.
local listed = false
for p in ARDOUR.LuaAPI.list_plugins ():iter () do
	if p.type == ptype and (p.name == "Tresselin" or p.unique_id == lv2uri) then listed = true end
end
print ("TRS-LISTED", listed)
assert (listed, "Tresselin is not among Ardour's plug-ins")

assert (create_session (work .. "/session-" .. name, "tresselin", rate), "no session")

local function param_line (plugin, i)
	local _, refs = plugin:get_parameter_descriptor (i, ARDOUR.ParameterDescriptor ())
	local pd = refs[2]
	return string.format ("%d\t%s\t%.9g\t%.9g\t%.9g", i, pd.label, pd.lower, pd.upper, pd.normal)
end

local tl = Session:new_audio_track (2, 2, nil, 1, name, ARDOUR.PresentationInfo.max_order,
                                   ARDOUR.TrackMode.Normal, false, false)
local track = tl:front ()
local gen = ARDOUR.LuaAPI.new_luaproc (Session, "TrsTestSignal")
assert (not gen:isnil (), "no TrsTestSignal")
assert (track:add_processor_by_index (gen, 0, nil, true) == 0)
ARDOUR.LuaAPI.set_processor_param (gen, 0, start)
ARDOUR.LuaAPI.set_processor_param (gen, 1, length)

local fx = ARDOUR.LuaAPI.new_plugin (Session, pname, ptype, "")
assert (not fx:isnil (), "Ardour could not instantiate Tresselin")
assert (track:add_processor_by_index (fx, 1, nil, true) == 0)
local plugin = fx:to_insert ():plugin (0)

-- The control inputs: an LV2 plug-in's audio and MIDI ports count too.
local controls = {}
for i = 0, plugin:parameter_count () - 1 do
	if plugin:parameter_is_control (i) and plugin:parameter_is_input (i) then controls[#controls + 1] = i end
end
local pf = assert (io.open (work .. "/params.txt", "w"))
pf:write (string.format ("count\t%d\n", #controls))
for _, i in ipairs (controls) do pf:write (param_line (plugin, i) .. "\n") end
pf:close ()

local casefile = assert (io.open (work .. "/" .. name .. ".case.txt", "w"))
casefile:write (string.format ("case\t%s\t%s\t%d\t%d\t%d\n", name, c.kind, start, length, rate))
-- In index order: the LV2 edition applies changed ports in that order, and
-- the reference render follows the order written here.
for i = 0, 17 do
	local v = c.params[i]
	if v then
		assert (ARDOUR.LuaAPI.set_processor_param (fx, i, v), "cannot set parameter " .. i)
		casefile:write (string.format ("set\t%d\t%.9g\n", i, v))
	end
end
if c.automate then
	local al, cl, pd = ARDOUR.LuaAPI.plugin_automation (fx, c.automate)
	assert (not al:isnil (), "no automation list")
	cl:add (Temporal.timepos_t (start), pd.upper, false, true)
	cl:add (Temporal.timepos_t (start + length), pd.lower, false, true)
	local ac = fx:to_automatable ():automation_control (
		Evoral.Parameter (ARDOUR.AutomationType.PluginAutomation, 0, c.automate), false)
	assert (not ac:isnil (), "no automation control")
	ac:set_automation_state (ARDOUR.AutoState.Play)
	casefile:write (string.format ("automated\t%d\n", c.automate))
end
if c.steps then
	local index = c.steps[1][2]
	local al, cl, pd = ARDOUR.LuaAPI.plugin_automation (fx, index)
	assert (not al:isnil (), "no automation list")
	assert (cl:set_interpolation (Evoral.InterpolationStyle.Discrete), "no discrete automation")
	cl:add (Temporal.timepos_t (start), c.params[index], false, false)
	for _, s in ipairs (c.steps) do
		cl:add (Temporal.timepos_t (start + s[1]), s[3], false, false)
		casefile:write (string.format ("step\t%d\t%d\t%.9g\n", s[1], s[2], s[3]))
	end
	local ac = fx:to_automatable ():automation_control (
		Evoral.Parameter (ARDOUR.AutomationType.PluginAutomation, 0, index), false)
	assert (not ac:isnil (), "no automation control")
	ac:set_automation_state (ARDOUR.AutoState.Play)
	for ev in cl:events ():iter () do
		casefile:write (string.format ("point\t%s\t%.9g\n", ev.when:str (), ev.value))
	end
end
for _, i in ipairs (controls) do
	casefile:write (string.format ("value\t%d\t%.9g\n", i, ARDOUR.LuaAPI.get_processor_param (fx, i)))
end
casefile:close ()

local e = Session:simple_export ()
e:set_name (name)
e:set_folder (work .. "/export")
e:set_range (start, start + length)
assert (e:set_preset (preset), "the float WAV preset is missing")
assert (e:check_outputs (), "the master bus has no outputs")
assert (e:run_export (), "export of " .. name .. " failed")
print ("TRS-CASE-COMPLETE", name)
