<?php
// Takes a gzip tarball holding a file named "version" (its first line is the
// new firmware version); anything else is kept aside and refused.
sim_require_method('POST');
if (($_POST['type'] ?? '') !== 'board') {
    sim_refuse('type: board required');
}
$file = $_FILES['Zipfile'] ?? null;
if (!is_array($file) || !isset($file['error']) || is_array($file['error'])) {
    sim_refuse('Zipfile: file part missing');
}
if ($file['error'] !== UPLOAD_ERR_OK) {
    sim_refuse('Zipfile: upload error ' . $file['error']);
}
$dir = sim_state_dir() . '/uploads';
if (!is_dir($dir)) {
    mkdir($dir, 0700, true);
}
// Letters only: the refusal names this file, and the tool reads any answer
// holding "1001" as success; neither a time stamp, random digits nor the
// uploaded file's name may put it there.
$letters = '';
foreach (str_split(random_bytes(12)) as $byte) {
    $letters .= chr(ord('a') + ord($byte) % 26);
}
$kept = $dir . '/rejected-' . $letters;
move_uploaded_file($file['tmp_name'], $kept);

$version = null;
// PharData goes by the file name's ending, so look at a copy that has one.
$probe = $kept . '.probe.tar.gz';
try {
    if (substr(file_get_contents($kept, false, null, 0, 2), 0, 2) === "\x1f\x8b" && copy($kept, $probe)) {
        $tar = new PharData($probe);
        foreach (new RecursiveIteratorIterator($tar) as $entry) {
            if ($entry->getFilename() === 'version') {
                $version = trim((string)strtok(file_get_contents($entry->getPathname()), "\n"));
            }
        }
    }
} catch (Throwable $e) {
    $version = null;
}
@unlink($probe);
if (($version ?? '') === '' || str_contains($version, ':')) {
    sim_with_state(function (array &$state) use ($kept) {
        $state['uploads'][] = $kept;
    });
    sim_answer(400, 'Invalid firmware image. Stored in:uploads/' . basename($kept));
}
unlink($kept);
$factory = getenv('SIM_FACTORY') ?: '';
$iface = getenv('SIM_MOVE_IFACE') ?: '';
$old = sim_with_state(function (array &$state) use ($version, $factory) {
    $old = $state['network'];
    $state['firmware'] = $version;
    if ($factory !== '') {
        // Back to the factory's network once it has restarted.
        $state['network'] = ['ip' => $factory, 'mask' => $old['mask'], 'gateway' => ''];
    }
    return $old;
});
if ($factory !== '' && $iface !== '') {
    // The device restarts once it has answered: its link goes down and it
    // is gone from its address at once; after the reboot the link comes up
    // at the factory address, announced as devices do, so that neighbours
    // forget the last device that had it.
    $prefix = sim_prefix_length($old['mask']);
    $dev = escapeshellarg($iface);
    $reboot = max(0, (float)(getenv('SIM_REBOOT') ?: 5));
    exec("(sleep 0.3; ip link set $dev down; ip addr del " . escapeshellarg($old['ip'] . '/' . $prefix)
        . " dev $dev; sleep $reboot; ip addr add " . escapeshellarg($factory . '/' . $prefix)
        . " dev $dev; ip link set $dev up; sleep 0.5; arping -q -U -c 2 -I $dev " . escapeshellarg($factory)
        . ') >/dev/null 2>&1 &');
}
sim_answer(200, '1001 firmware accepted');
