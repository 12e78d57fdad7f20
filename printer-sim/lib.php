<?php
// Shared by every endpoint of the simulated printer: its state file (one
// JSON document, read and written under an exclusive lock), answers, the
// fault controls, and the input checks the endpoints share.

function sim_state_dir(): string
{
    $dir = getenv('SIM_STATE_DIR');
    if ($dir === false || $dir === '') {
        $dir = sys_get_temp_dir() . '/nettool-printer-sim';
    }
    if (!is_dir($dir)) {
        mkdir($dir, 0700, true);
    }
    return $dir;
}

function sim_default_state(): array
{
    return [
        'network' => ['ip' => getenv('SIM_ADDRESS') ?: '127.0.0.1', 'mask' => getenv('SIM_MASK') ?: '255.255.255.0', 'gateway' => ''],
        'clock_offset' => 0,
        'clock_set_at' => null,
        'firmware' => '1.0.0',
        'pages' => 1024,
        'queue' => ['job-1.pdf', 'job-2.ps'],
        'whitelist' => [],
        'auth_type' => 'None',
        'uploads' => [],
        'faults' => new stdClass(),
        'requests' => 0,
    ];
}

// Runs $change on the state under an exclusive lock and writes it back;
// every worker of the server sees one consistent state.
function sim_with_state(callable $change)
{
    $path = sim_state_dir() . '/state.json';
    $fh = fopen($path, 'c+');
    flock($fh, LOCK_EX);
    $raw = stream_get_contents($fh);
    $state = $raw ? json_decode($raw, true) : null;
    if (!is_array($state)) {
        $state = sim_default_state();
    }
    $result = $change($state);
    ftruncate($fh, 0);
    rewind($fh);
    fwrite($fh, json_encode($state, JSON_PRETTY_PRINT | JSON_UNESCAPED_SLASHES) . "\n");
    fflush($fh);
    flock($fh, LOCK_UN);
    fclose($fh);
    return $result;
}

function sim_answer(int $status, string $body): void
{
    http_response_code($status);
    header('Content-Type: text/html; charset=UTF-8');
    echo $body;
    exit;
}

function sim_refuse(string $reason): void
{
    sim_answer(400, $reason);
}

// Faults set through /sim/control for one endpoint: a delay, a fixed
// status and body, or no answer at all (bounded, so no worker hangs for
// ever).
function sim_apply_faults(string $endpoint): void
{
    $fault = sim_with_state(function (array &$state) use ($endpoint) {
        $state['requests']++;
        $faults = (array)$state['faults'];
        return $faults[$endpoint] ?? null;
    });
    if (!is_array($fault)) {
        return;
    }
    if (!empty($fault['never'])) {
        sleep(min(600, (int)($fault['never_seconds'] ?? 120)));
        exit;
    }
    if (!empty($fault['delay'])) {
        usleep((int)(1000000 * min(600, (float)$fault['delay'])));
    }
    if (isset($fault['status'])) {
        sim_answer((int)$fault['status'], (string)($fault['body'] ?? 'fault'));
    }
}

function sim_require_method(string $method): void
{
    if ($_SERVER['REQUEST_METHOD'] !== $method) {
        http_response_code(405);
        header('Allow: ' . $method);
        echo "method $method required";
        exit;
    }
}

// Dotted IPv4 as the tool accepts it: four groups 0-255, leading zeros allowed.
function sim_is_address(string $text): bool
{
    return preg_match('/\A((25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\.){3}(25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\z/', $text) === 1;
}

function sim_address_value(string $text): int
{
    $v = 0;
    foreach (explode('.', $text) as $group) {
        $v = ($v << 8) | (int)$group;
    }
    return $v;
}

function sim_is_mask(string $text): bool
{
    if (!sim_is_address($text)) {
        return false;
    }
    $m = sim_address_value($text);
    if ($m === 0) {
        return false;
    }
    $inverted = (~$m) & 0xFFFFFFFF;
    return ($inverted & ($inverted + 1)) === 0; // ones, then only zeros
}

function sim_prefix_length(string $mask): int
{
    $m = sim_address_value($mask);
    $n = 0;
    while ($n < 32 && ($m & (1 << (31 - $n)))) {
        $n++;
    }
    return $n;
}
