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
// every worker of the server sees one consistent state. The lock is on a
// file of its own, so that the state can be replaced whole (a new file,
// renamed over the old): a worker killed mid-write leaves the last state.
function sim_with_state(callable $change)
{
    $dir = sim_state_dir();
    $path = $dir . '/state.json';
    $lock = @fopen($dir . '/state.lock', 'c');
    if ($lock === false) {
        sim_answer(500, 'state: cannot open ' . $dir . '/state.lock');
    }
    if (!flock($lock, LOCK_EX)) {
        fclose($lock);
        sim_answer(500, 'state: cannot lock ' . $dir . '/state.lock');
    }
    $raw = is_file($path) ? @file_get_contents($path) : '';
    $state = $raw ? json_decode($raw, true) : null;
    if (!is_array($state)) {
        $state = sim_default_state();
    }
    $result = $change($state);
    $next = $path . '.' . getmypid() . '.new';
    $json = json_encode($state, JSON_PRETTY_PRINT | JSON_UNESCAPED_SLASHES) . "\n";
    if (@file_put_contents($next, $json) !== strlen($json) || !@rename($next, $path)) {
        @unlink($next);
        flock($lock, LOCK_UN);
        fclose($lock);
        sim_answer(500, 'state: cannot write ' . $path);
    }
    flock($lock, LOCK_UN);
    fclose($lock);
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
        sim_hold_without_answer(min(600, (int)($fault['never_seconds'] ?? 120)));
    }
    if (!empty($fault['delay'])) {
        usleep((int)(1000000 * min(600, (float)$fault['delay'])));
    }
    if (isset($fault['status'])) {
        sim_answer((int)$fault['status'], (string)($fault['body'] ?? 'fault'));
    }
}

// libc through FFI: the built-in server gives a script no handle on its own
// connection, and "no answer" needs one. Null where FFI is off.
function sim_libc()
{
    static $libc = false;
    if ($libc === false) {
        try {
            $libc = FFI::cdef('
                struct pollfd { int fd; short events; short revents; };
                int poll(struct pollfd *fds, unsigned long nfds, int timeout);
                int shutdown(int fd, int how);
                int getpeername(int fd, void *addr, unsigned int *len);', 'libc.so.6');
        } catch (Throwable $e) {
            $libc = null;
        }
    }
    return $libc;
}

// This request's own connection among the worker's descriptors, by its
// peer's port; -1 when it cannot be found.
function sim_client_fd($libc): int
{
    foreach (glob('/proc/self/fd/*') ?: [] as $link) {
        if (!str_starts_with((string)@readlink($link), 'socket:')) {
            continue;
        }
        $fd = (int)basename($link);
        $address = FFI::new('unsigned char[128]');
        $length = FFI::new('unsigned int');
        $length->cdata = 128;
        if ($libc->getpeername($fd, FFI::addr($address), FFI::addr($length)) !== 0 || $address[0] !== 2) {
            continue; // not connected, or not IPv4
        }
        if ((($address[2] << 8) | $address[3]) === (int)$_SERVER['REMOTE_PORT']) {
            return $fd;
        }
    }
    return -1;
}

// "No answer": keep the connection open and silent until the client gives
// up (or the bound passes), then shut it down with no byte sent, so the
// client never sees a status line.
function sim_hold_without_answer(int $seconds): void
{
    $libc = sim_libc();
    $fd = $libc ? sim_client_fd($libc) : -1;
    if ($fd < 0) {
        sleep($seconds); // no handle: silence for the bound at least
        exit;
    }
    $poll = $libc->new('struct pollfd');
    $poll->fd = $fd;
    $poll->events = 0x2000; // POLLRDHUP; POLLERR and POLLHUP always count
    $until = microtime(true) + $seconds;
    while (microtime(true) < $until) {
        $poll->revents = 0;
        if ($libc->poll(FFI::addr($poll), 1, 200) > 0 && ($poll->revents & (0x2000 | 0x8 | 0x10))) {
            break; // the client gave up
        }
    }
    $libc->shutdown($fd, 2);
    exit;
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
