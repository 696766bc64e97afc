#!/usr/bin/env bash
# The plug-in scanners of Ardour 7, Qtractor and MusE load the module in a process of their own and
# report what they found: the name, the vendor, 'Tbkx', two audio inputs and outputs, a MIDI input,
# one parameter, an instrument with an editor.
#   scan_test.sh ardour|qtractor|muse PLUGIN.so
host=$1
shift
case $host in
    ardour) required=(/usr/lib/ardour7/ardour-vst-scanner) ;;
    qtractor) required=(/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan) ;;
    muse) required=(muse_plugin_scan) ;;
esac
source "$(dirname "$0")/host_lib.sh"

case $host in
    ardour)
        info=$(prepare_private_ardour)
        for pattern in '<VST2Info [^>]*name="Tembro-laxis"' 'creator="Brennwick"' 'id="1415736184"' 'n_inputs="2"' 'n_outputs="2"' \
            'n_midi_inputs="1"' 'is_instrument="1"' 'category="Instrument"' 'can_process_replace="1"' 'has_editor="1"' "binary=\"$plugin\""; do
            expect_match "$pattern" "$info" "$pattern"
        done ;;
    qtractor)
        # Reads TYPE:FILE lines; answers VST|name|audio in:out|midi in:out|controls in:out|flags|file|index|id
        line=$(HOME="$work" timeout 60 "${required[0]}" <<<"VST:$plugin" 2>&1 | grep -E '^VST\|' | head -n 1 || true)
        expect_match "the plug-in's line" "$line" "^VST\|Tembro-laxis\|2:2\|1:[0-9]+\|1:0\|([A-Z]+,)*GUI(,[A-Z]+)*\|$plugin\|[0-9]+\|0x54626b78$" ;;
    muse)
        # Type 16 asks for Linux VST plug-ins and -p for their ports; the output file must exist beforehand.
        : >"$work/scan.xml"
        HOME="$work" timeout 60 muse_plugin_scan -t 16 -f "$plugin" -o "$work/scan.xml" -p >/dev/null 2>&1 || true
        info=$(cat "$work/scan.xml")
        # Class 3: an effect and an instrument (MusE marks plug-ins with audio inputs as effects too).
        for pattern in "<plugin file=\"$plugin\" label=\"Tembro-laxis\">" '<type>16</type>' '<name>Tembro-laxis</name>' \
            '<maker>Brennwick</maker>' '<uniqueID>1415736184</uniqueID>' '<apiVersionMajor>2400</apiVersionMajor>' \
            '<pluginVersionMinor>1005</pluginVersionMinor>' '<inports>2</inports>' '<outports>2</outports>' '<ctlInports>1</ctlInports>' \
            '<class>3</class>'; do
            expect_match "$pattern" "$info" "$pattern"
        done ;;
esac
finish
