<?php
// Keeps the offset between the time it was given and its own clock.
sim_require_method('POST');
$time = $_POST['time'] ?? '';
if (preg_match('/\A[0-9]{14}\z/', $time) !== 1) {
    sim_refuse('time: 14 digits yyyyMMddhhmmss required');
}
$given = DateTime::createFromFormat('!YmdHis', $time);
if ($given === false || $given->format('YmdHis') !== $time) {
    sim_refuse('time: not a real date and time');
}
$offset = $given->getTimestamp() - time();
sim_with_state(function (array &$state) use ($offset, $time) {
    $state['clock_offset'] = $offset;
    $state['clock_set_at'] = $time;
});
sim_answer(200, 'OK');
