#!/usr/bin/env bash
# MusE's plug-in scanner writes what it finds to an XML file, which must exist beforehand.
#   muse_scan_test.sh PLUGIN.so
source "$(dirname "$0")/host_lib.sh"
require_program muse_plugin_scan
plugin=$(plugin_copy "$1")
: >"$work/scan.xml"

# Type flag 16 asks for Linux VST plug-ins; -p describes their ports too.
HOME="$work" timeout 60 muse_plugin_scan -t 16 -f "$plugin" -o "$work/scan.xml" -p 2>&1 || true
info=$(cat "$work/scan.xml")
echo "$info"
expect_match "the scanned file" "$info" "<plugin file=\"$plugin\" label=\"Tembro-laxis\">"
expect_match "a Linux VST" "$info" '<type>16</type>'
expect_match "name" "$info" '<name>Tembro-laxis</name>'
expect_match "vendor" "$info" '<maker>Brennwick</maker>'
expect_match "unique id 'Tbkx'" "$info" '<uniqueID>1415736184</uniqueID>'
expect_match "VST 2.4" "$info" '<apiVersionMajor>2400</apiVersionMajor>'
expect_match "vendor version" "$info" '<pluginVersionMinor>1005</pluginVersionMinor>'
expect_match "two audio inputs" "$info" '<inports>2</inports>'
expect_match "two audio outputs" "$info" '<outports>2</outports>'
expect_match "one parameter" "$info" '<ctlInports>1</ctlInports>'
# Class 3: an effect and an instrument (MusE marks plug-ins with audio inputs as effects too).
expect_match "an instrument" "$info" '<class>3</class>'
finish
