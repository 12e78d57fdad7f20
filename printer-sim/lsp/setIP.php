<?php
// Takes a new static configuration. Asked to (SIM_MOVE_IFACE), it moves its
// own address before answering, as the device does, so the answer is lost.
sim_require_method('POST');
$ip = $_POST['ip'] ?? '';
$mask = $_POST['mask'] ?? '';
$gateway = $_POST['gateway'] ?? '';
if (!sim_is_address($ip)) {
    sim_refuse('ip: not an IPv4 address');
}
if (!sim_is_mask($mask)) {
    sim_refuse('mask: not a contiguous subnet mask');
}
if (!sim_is_address($gateway)) {
    sim_refuse('gateway: not an IPv4 address');
}
$m = sim_address_value($mask);
if ((sim_address_value($ip) & $m) !== (sim_address_value($gateway) & $m)) {
    sim_refuse('gateway: not in the subnet of ip/mask');
}
$old = sim_with_state(function (array &$state) use ($ip, $mask, $gateway) {
    $old = $state['network'];
    $state['network'] = ['ip' => $ip, 'mask' => $mask, 'gateway' => $gateway];
    return $old;
});
$iface = getenv('SIM_MOVE_IFACE');
if ($iface !== false && $iface !== '' && $old['ip'] !== $ip) {
    // Old address first: deleting a primary address takes the secondaries
    // of its subnet with it.
    exec('ip addr del ' . escapeshellarg($old['ip'] . '/' . sim_prefix_length($old['mask'])) . ' dev ' . escapeshellarg($iface));
    exec('ip addr add ' . escapeshellarg($ip . '/' . sim_prefix_length($mask)) . ' dev ' . escapeshellarg($iface));
    // The device answers on an address it no longer has, so its answer never
    // arrives. A kernel may still deliver ours (over loopback it does), so
    // stay silent instead, past any client's patience.
    sleep((int)(getenv('SIM_MOVE_SILENCE') ?: 45));
    exit;
}
sim_answer(200, 'OK');
