<?php
sim_require_method('POST');
if (($_POST['type'] ?? '') !== 'board') {
    sim_refuse('type: board required');
}
$version = sim_with_state(function (array &$state) {
    return $state['firmware'];
});
sim_answer(200, 'version:' . $version);
